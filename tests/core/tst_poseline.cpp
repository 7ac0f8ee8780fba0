// SPDX-License-Identifier: MIT
#include "core/poseline.h"

#include <QTest>
#include "support/testmain.h"

using easing::Curve;
using poseline::Figures;
using Problem = poseline::Figures::Problem;

Q_DECLARE_METATYPE(poseline::Pose)
Q_DECLARE_METATYPE(easing::Curve)

namespace {

// 8N1 at 9600 baud: 960 bytes/s.
constexpr double slowLine = 960;

// Channel 0 along `curve`, in steps of 20 ms.
poseline::Easing channelZero(Curve curve)
{
    poseline::Easing easing;
    easing.curves[0] = curve;
    easing.stepMs = 20;
    return easing;
}

poseline::Pose poseWith(std::initializer_list<std::pair<int, int>> pulses)
{
    poseline::Pose pose = poseline::restPose();
    for (const auto &[channel, pulse] : pulses)
        pose[size_t(channel)] = pulse;
    return pose;
}

} // namespace

// What a line does to the pose, and the figures that tell whether it keeps its time.
class TestPoseLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void figures_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<poseline::Pose>("before");
        QTest::addColumn<poseline::Pose>("after");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("wireMs");
        QTest::addColumn<int>("arrivalMs");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("check");

        const poseline::Pose rest = poseline::restPose();
        // 12 bytes "#0P2000S300\r": 12.5 ms on the wire, then 500 µs at 300 µs/s.
        QTest::newRow("from rest at 1500, one channel")
            << "Time1000  #0P2000S300" << rest << poseWith({{0, 2000}}) << 12 << 13 << 1680 << Problem::CannotArrive
            << "来不及到位 需要 1680 ms，间隔 1000 ms";
        QTest::newRow("same pose: only the wire")
            << "Time1000  #0P2000S300" << poseWith({{0, 2000}}) << poseWith({{0, 2000}}) << 12 << 13 << 13
            << Problem::None << QString();
        QTest::newRow("several speeds: the slowest counts")
            << "Time2000  #1P1600S1000#2P1000S500" << rest << poseWith({{1, 1600}, {2, 1000}}) << 24 << 25 << 1025
            << Problem::None << QString();
        // No speed: the servo's top rate, 500 µs in 75 ms.
        QTest::newRow("S empty is the top rate")
            << "Time100   #3P2000S" << rest << poseWith({{3, 2000}}) << 9 << 10 << 85 << Problem::None << QString();
        QTest::newRow("T: all arrive together, not before it")
            << "Time1000  #1P1600S5000#2P1700T1500" << rest << poseWith({{1, 1600}, {2, 1700}}) << 25 << 27 << 1527
            << Problem::CannotArrive << "来不及到位 需要 1530 ms，间隔 1000 ms";
        QTest::newRow("wire too slow") << "Time5     #0P1500S9999#1P1500S9999" << rest << rest << 25 << 27 << 27
                                       << Problem::WireTooSlow << "线路来不及 需要 27 ms，间隔 5 ms";
        QTest::newRow("unparseable line does not move")
            << "Time1000 #0P2000S300" << rest << rest << 11 << 12 << 12 << Problem::NotAsWritten << "不会按原样播放";
        QTest::newRow("a group out of range is dropped")
            << "Time1000  #0P3000S300#1P900S9000" << rest << poseWith({{1, 900}}) << 23 << 24 << 114 << Problem::None
            << QString();
    }
    void figures()
    {
        QFETCH(QString, line);
        QFETCH(poseline::Pose, before);
        QFETCH(poseline::Pose, after);
        QFETCH(int, bytes);
        QFETCH(int, wireMs);
        QFETCH(int, arrivalMs);
        QFETCH(Problem, problem);
        QFETCH(QString, check);

        const poseline::LineMove move = poseline::read(line);
        QCOMPARE(poseline::apply(before, move), after);
        const Figures figures = poseline::figures(move, before, 500, slowLine);
        QCOMPARE(figures.bytes, bytes);
        QCOMPARE(figures.wireMs, wireMs);
        QCOMPARE(figures.arrivalMs, arrivalMs);
        QCOMPARE(figures.problem, problem);
        QCOMPARE(poseline::describe(figures), check);
    }

    // An eased line goes out in steps: its bytes are those of the steps that
    // go out before the next line, and it arrives when its steps bring the
    // servo there. Channel 0 from rest, at 9600 baud: "#0P1500T20\r" is 11
    // bytes, 11.459 ms; the first step leaves with the line, the last lands
    // 20 ms after it arrives.
    void easedFigures_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("wireMs");
        QTest::addColumn<int>("arrivalMs");
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<QString>("check");

        // 50 steps, the last arriving 11.459 + 49 · 20 ms after the first byte.
        QTest::newRow("in time") << "Time1500  #0P2000T1000" << Curve::InOutSine << 50 * 11 << 573 << 1012
                                 << Problem::None << QString();
        // The 40 steps due before 800 ms go out.
        QTest::newRow("the next line comes before it arrives")
            << "Time800   #0P2000T1000" << Curve::InOutSine << 40 * 11 << 459 << 1012 << Problem::CannotArrive
            << "来不及到位 需要 1020 ms，间隔 800 ms";
        // 15 steps to 1000·(k/15)³ µs from 1500: the servo falls behind the
        // steepest at its top rate and lands 313 ms after the first step.
        QTest::newRow("a curve steeper than the servo, late")
            << "Time300   #0P2500T300" << Curve::InCubic << 15 * 11 << 172 << 325 << Problem::CannotFollowCurve
            << "曲线跟不上 需要 330 ms，间隔 300 ms";
        QTest::newRow("a curve steeper than the servo, in time")
            << "Time1000  #0P2500T300" << Curve::InCubic << 15 * 11 << 172 << 325 << Problem::None << QString();
        QTest::newRow("the same line not eased") << "Time300   #0P2500T300" << Curve::Linear << 12 << 13 << 313
                                                 << Problem::CannotArrive << "来不及到位 需要 320 ms，间隔 300 ms";
    }
    void easedFigures()
    {
        QFETCH(QString, line);
        QFETCH(Curve, curve);
        QFETCH(int, bytes);
        QFETCH(int, wireMs);
        QFETCH(int, arrivalMs);
        QFETCH(Problem, problem);
        QFETCH(QString, check);

        const Figures figures = poseline::figures(poseline::read(line), poseline::restPose(), 500, slowLine,
                                                  motion::defaultTopRate, 1, channelZero(curve));
        QCOMPARE(figures.bytes, bytes);
        QCOMPARE(figures.wireMs, wireMs);
        QCOMPARE(figures.arrivalMs, arrivalMs);
        QCOMPARE(figures.problem, problem);
        QCOMPARE(poseline::describe(figures), check);
    }

    void skippedLinesKeepTheIntervalInForce()
    {
        const poseline::LineMove shortLine = poseline::read(QStringLiteral("Time500"));
        QVERIFY(!shortLine.sent);
        QCOMPARE(poseline::intervalAfter(shortLine, 700), 700);
        QCOMPARE(poseline::figures(shortLine, poseline::restPose(), 700, slowLine).problem, Problem::NotAsWritten);
        // An empty line plays as it reads: nothing sent, nothing flagged.
        QCOMPARE(poseline::figures(poseline::read(QString()), poseline::restPose(), 700, slowLine).problem,
                 Problem::None);
    }

    void stretch_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Curve>("curve"); // of channel 0
        QTest::addColumn<QString>("stretched");
        QTest::addColumn<int>("interval");
        QTest::newRow("recorded form") << "Time1000  #0P2000S300" << Curve::Linear << "Time1680  #0P2000S300" << 1680;
        QTest::newRow("right-aligned field stays so")
            << "Time 1000 #0P2000S300" << Curve::Linear << "Time 1680 #0P2000S300" << 1680;
        QTest::newRow("at least 100") << "Time50    #0P1510S9000" << Curve::Linear << "Time100   #0P1510S9000" << 100;
        QTest::newRow("at most 10000") << "Time1000  #0P2500S50" << Curve::Linear << "Time10000 #0P2500S50" << 10000;
        // See easedFigures.
        QTest::newRow("an eased line, to where its steps bring it")
            << "Time800   #0P2000T1000" << Curve::InOutSine << "Time1020  #0P2000T1000" << 1020;
        QTest::newRow("a curve steeper than the servo, to where it catches up")
            << "Time300   #0P2500T300" << Curve::InCubic << "Time330   #0P2500T300" << 330;
    }
    void stretch()
    {
        QFETCH(QString, line);
        QFETCH(Curve, curve);
        QFETCH(QString, stretched);
        QFETCH(int, interval);
        const auto figures = [curve](const QString &text) {
            return poseline::figures(poseline::read(text), poseline::restPose(), 500, slowLine, motion::defaultTopRate,
                                     1, channelZero(curve));
        };
        const int least = poseline::stretchedInterval(figures(line));
        QCOMPARE(least, interval);
        QCOMPARE(poseline::withInterval(line, least), stretched);
        // Stretched, the line keeps its time.
        if (interval < poseline::mostInterval)
            QCOMPARE(figures(stretched).problem, Problem::None);
    }
};

SERVO_TEST_MAIN(TestPoseLine)
#include "tst_poseline.moc"
