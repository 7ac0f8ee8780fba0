// SPDX-License-Identifier: MIT
#include "core/poseline.h"

#include <QTest>
#include "support/testmain.h"

using poseline::Figures;
using Problem = poseline::Figures::Problem;

Q_DECLARE_METATYPE(poseline::Pose)

namespace {

// 8N1 at 9600 baud: 960 bytes/s.
constexpr double slowLine = 960;

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
        QTest::addColumn<QString>("stretched");
        QTest::addColumn<int>("interval");
        QTest::newRow("recorded form") << "Time1000  #0P2000S300"
                                       << "Time1680  #0P2000S300" << 1680;
        QTest::newRow("right-aligned field stays so") << "Time 1000 #0P2000S300"
                                                      << "Time 1680 #0P2000S300" << 1680;
        QTest::newRow("at least 100") << "Time50    #0P1510S9000"
                                      << "Time100   #0P1510S9000" << 100;
        QTest::newRow("at most 10000") << "Time1000  #0P2500S50"
                                       << "Time10000 #0P2500S50" << 10000;
    }
    void stretch()
    {
        QFETCH(QString, line);
        QFETCH(QString, stretched);
        QFETCH(int, interval);
        const poseline::LineMove move = poseline::read(line);
        const int least = poseline::stretchedInterval(poseline::figures(move, poseline::restPose(), 500, slowLine));
        QCOMPARE(least, interval);
        QCOMPARE(poseline::withInterval(line, least), stretched);
        // Stretched, the line keeps its time.
        const poseline::LineMove after = poseline::read(stretched);
        if (interval < poseline::mostInterval)
            QCOMPARE(poseline::figures(after, poseline::restPose(), 500, slowLine).problem, Problem::None);
    }
};

SERVO_TEST_MAIN(TestPoseLine)
#include "tst_poseline.moc"
