// SPDX-License-Identifier: MIT
#include "core/easedmove.h"

#include "core/armtwin.h"
#include "core/settingsstring.h"
#include "shared/wirecommand.h"

#include <QTest>
#include "support/testmain.h"

#include <cmath>

using easing::Curve;

Q_DECLARE_METATYPE(easing::Curve)

namespace {

using Pose = std::array<int, motion::channelCount>;

double bytesPerSecond(qint32 baudRate)
{
    settingsstring::LineSettings line;
    line.baudRate = baudRate;
    return settingsstring::bytesPerSecond(line);
}

// Every channel at rest but those `command` names, which stand at its pulses.
Pose standing(const QString &command)
{
    Pose pose;
    pose.fill(motion::restPulse);
    for (const motion::Target &target : wirecommand::read(command).targets())
        pose[size_t(target.channel)] = target.pulse;
    return pose;
}

easedmove::Line lineOf(const QString &command)
{
    const wirecommand::Command read = wirecommand::read(command);
    return {read.targets(), read.timeMs};
}

easedmove::Settings settings(const QList<int> &eased, Curve curve, int stepMs, qint32 baudRate)
{
    easedmove::Settings settings;
    for (const int channel : eased)
        settings.curves[size_t(channel)] = curve;
    settings.stepMs = stepMs;
    settings.bytesPerSecond = bytesPerSecond(baudRate);
    return settings;
}

// Channels 0..`count`-1 all to `pulse`, in `ms` when given, without the CR:
// "#0P<pulse>#1P<pulse>...T<ms>".
QString joints(int count, int pulse, std::optional<int> ms = std::nullopt)
{
    QList<motion::Target> targets;
    for (int channel = 0; channel < count; ++channel)
        targets.append({channel, pulse, std::nullopt});
    return wirecommand::write(targets, ms).chopped(1);
}

QList<int> firstChannels(int count)
{
    QList<int> channels;
    for (int channel = 0; channel < count; ++channel)
        channels.append(channel);
    return channels;
}

} // namespace

// The step commands a line of eased channels goes out as, their timing on the
// line, and the board's way along them.
class TestEasedMove : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A line from a standing board: how long a step is, how many there are, the
    // longest step's bytes, the first command and the last.
    void compile_data()
    {
        QTest::addColumn<QString>("standsAt");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("eased");
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<int>("profileStep");
        QTest::addColumn<qint32>("baudRate");
        QTest::addColumn<int>("stepMs");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("longestBytes");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");

        const int step = easing::defaultStepMs;
        // 1 to 6 joints on channels 0..5 from 1000 to 2000 in one second along
        // inOutSine. A step command is 7 bytes a joint, "T<ms>" and CR. At
        // 115,200 baud (11,520 B/s, 9,216 for steps) every one fits in 20 ms. At
        // 9,600 (960 B/s, 768 for steps): 11 bytes fit in 20 ms; 18 need 23.4
        // ms, so 24; 25 bytes 32.6 ms, 33; 32 bytes 41.7, 42; 39 bytes 50.8, 51;
        // 46 bytes 59.9, 60. The first point is 1000 + 1000·(1 - cos(π·step/1000))/2.
        struct Joints {
            int stepMs;
            int firstPulse;
            int lastMs; // what is left of the second after the whole steps
        };
        const std::array<Joints, 6> slow{
            {{20, 1001, 20}, {24, 1001, 16}, {33, 1003, 10}, {42, 1004, 34}, {51, 1006, 31}, {60, 1009, 40}}};
        for (int count = 1; count <= 6; ++count) {
            const Joints &at9600 = slow[size_t(count - 1)];
            const int bytes = 7 * count + 4;
            QTest::addRow("%d joints at 115200", count)
                << joints(count, 1000) << joints(count, 2000, 1000) << firstChannels(count) << Curve::InOutSine << step
                << 115200 << 20 << 50 << bytes << joints(count, 1001, 20) + u'\r' << joints(count, 2000, 20) + u'\r';
            QTest::addRow("%d joints at 9600", count)
                << joints(count, 1000) << joints(count, 2000, 1000) << firstChannels(count) << Curve::InOutSine << step
                << 9600 << at9600.stepMs << (1000 + at9600.stepMs - 1) / at9600.stepMs << bytes
                << joints(count, at9600.firstPulse, at9600.stepMs) + u'\r'
                << joints(count, 2000, at9600.lastMs) + u'\r';
        }
        // 8 bytes a joint: 52 bytes need 67.7 ms.
        QTest::newRow("two-digit channels need a longer step")
            << "#10P1000#11P1000#12P1000#13P1000#14P1000#15P1000"
            << "#10P2000#11P2000#12P2000#13P2000#14P2000#15P2000T1000" << QList<int>{10, 11, 12, 13, 14, 15}
            << Curve::InOutSine << step << 9600 << 68 << 15 << 52
            << "#10P1011#11P1011#12P1011#13P1011#14P1011#15P1011T68\r"
            << "#10P2000#11P2000#12P2000#13P2000#14P2000#15P2000T48\r";
        // 6 bytes a joint below 1000 µs: 40 bytes need 52.1 ms.
        QTest::newRow("pulses under 1000 need fewer bytes")
            << joints(6, 600) << joints(6, 900, 1000) << firstChannels(6) << Curve::InOutSine << step << 9600 << 53
            << 19 << 40 << joints(6, 602, 53) + u'\r' << joints(6, 900, 46) + u'\r';
        // At 1,200 baud (96 B/s for steps) 46 bytes need 479 ms, and then the
        // time takes three digits: 47 bytes, 489.6 ms.
        QTest::newRow("a slow line's step may pass the profile's longest")
            << joints(6, 1000) << joints(6, 2000, 1000) << firstChannels(6) << Curve::InOutSine << step << 1200 << 490
            << 3 << 47 << joints(6, 1484, 490) + u'\r' << joints(6, 2000, 20) + u'\r';
        // Playback at ×4 sends the one-second line with T250: fewer steps of the same length.
        QTest::newRow("a faster playback compresses the move, not the step")
            << joints(6, 1000) << joints(6, 2000, 250) << firstChannels(6) << Curve::InOutSine << step << 9600 << 60
            << 5 << 46 << joints(6, 1136, 60) + u'\r' << joints(6, 2000, 10) + u'\r';
        QTest::newRow("a longer profile step is kept")
            << "#0P1000"
            << "#0P2000T1000" << QList<int>{0} << Curve::InOutSine << 50 << 115200 << 50 << 20 << 11 << "#0P1006T50\r"
            << "#0P2000T50\r";
        QTest::newRow("a profile step under the least is held to it")
            << "#0P1000"
            << "#0P2000T1000" << QList<int>{0} << Curve::InOutSine << 1 << 115200 << easing::leastStepMs
            << 1000 / easing::leastStepMs << 11 << "#0P1000T10\r"
            << "#0P2000T10\r";
        QTest::newRow("a move shorter than a step is one step")
            << "#0P1000"
            << "#0P1050T15" << QList<int>{0} << Curve::InOutSine << step << 115200 << 20 << 1 << 11 << "#0P1050T15\r"
            << "#0P1050T15\r";
        // Channel 1: 500 µs at 500 µs/s, one second.
        QTest::newRow("the other channels go first, as the line has them")
            << ""
            << "#0P2000S300#1P2000S500#2P1800S300" << QList<int>{1} << Curve::InOutQuad << step << 115200 << 20 << 50
            << 11 << "#0P2000S300#2P1800S300\r"
            << "#1P2000T20\r";
        QTest::newRow("T stays with the other channels") << ""
                                                         << "#0P2000#1P2000T1000" << QList<int>{1} << Curve::InCubic
                                                         << step << 115200 << 20 << 50 << 11 << "#0P2000T1000\r"
                                                         << "#1P2000T20\r";
        // Channel 0 needs 2 s at its speed: with T all arrive together.
        QTest::newRow("with T the eased channels take the slowest's time")
            << ""
            << "#0P2500S500#1P2000T200" << QList<int>{1} << Curve::InOutSine << step << 115200 << 20 << 100 << 11
            << "#0P2500S500T200\r"
            << "#1P2000T20\r";
        // Channel 1 takes half a second, channel 2 a second.
        QTest::newRow("the faster channel drops out when it has landed")
            << ""
            << "#1P2000S1000#2P2000S500" << QList<int>{1, 2} << Curve::InOutSine << step << 115200 << 20 << 50 << 18
            << "#1P1502#2P1500T20\r"
            << "#2P2000T20\r";
        QTest::newRow("a channel already there goes out once")
            << "#0P1000#1P1000"
            << "#0P1000#1P2000S1000" << QList<int>{0, 1} << Curve::InOutSine << step << 115200 << 20 << 50 << 18
            << "#0P1000#1P1001T20\r"
            << "#1P2000T20\r";
    }
    void compile()
    {
        QFETCH(QString, standsAt);
        QFETCH(QString, command);
        QFETCH(QList<int>, eased);
        QFETCH(Curve, curve);
        QFETCH(int, profileStep);
        QFETCH(qint32, baudRate);
        QFETCH(int, stepMs);
        QFETCH(int, steps);
        QFETCH(int, longestBytes);
        QFETCH(QString, first);
        QFETCH(QString, last);

        const easedmove::Settings given = settings(eased, curve, profileStep, baudRate);
        const easedmove::Plan plan =
            easedmove::compile(lineOf(command), easedmove::standingAt(standing(standsAt)), given);
        QVERIFY(plan.hasSteps());
        QCOMPARE(plan.stepMs, stepMs);
        QCOMPARE(plan.stepCount, qsizetype(steps));
        QCOMPARE(plan.commands.first().text, first);
        QCOMPARE(plan.commands.last().text, last);

        qsizetype longest = 0;
        qint64 lineFree = 0;
        const qsizetype firstStep = plan.commands.size() - plan.stepCount;
        for (qsizetype i = 0; i < plan.commands.size(); ++i) {
            const easedmove::Command &sent = plan.commands[i];
            // Nothing is due while the command before it is still on the line.
            QVERIFY2(sent.dueUs >= lineFree, qPrintable(sent.text));
            lineFree = sent.arrivalUs();
            if (i >= firstStep) {
                longest = std::max(longest, sent.text.size());
                QCOMPARE(sent.arrivalUs(), plan.startUs + qint64(i - firstStep) * stepMs * 1000);
            }
        }
        QCOMPARE(longest, qsizetype(longestBytes));
        QVERIFY(double(longest) * 1000 <= easedmove::lineShare * given.bytesPerSecond * stepMs);
        // The last step is due when its time has run out: the slowest has landed.
        const wirecommand::Command lastStep = wirecommand::read(plan.commands.last().text);
        QCOMPARE(plan.commands.last().arrivalUs() + *lastStep.timeMs * 1000, plan.endUs);
    }

    // Lines that leave the board's straight ramps as they are: nothing to compile.
    void plainLines_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("eased");

        QTest::newRow("no channel eased") << "#0P2000S300#5P2500S300" << QList<int>{};
        QTest::newRow("the eased channels are not in the line") << "#0P2000S300T500" << QList<int>{1, 2, 3};
        QTest::newRow("a pause sends no group") << "" << firstChannels(motion::channelCount);
        QTest::newRow("a T alone") << "T500" << firstChannels(motion::channelCount);
    }
    void plainLines()
    {
        QFETCH(QString, command);
        QFETCH(QList<int>, eased);
        const easedmove::Plan plan = easedmove::compile(lineOf(command), easedmove::standingAt(standing(QString())),
                                                        settings(eased, Curve::InOutCubic, 20, 9600));
        QVERIFY(!plan.hasSteps());
        QVERIFY(plan.commands.isEmpty());
        QVERIFY(plan.eased.isEmpty());
    }

    // When the slowest eased channel really arrives, from the first step on,
    // and the least time in which its curve stays within the top rate (its
    // peak slope times its average speed): 1000 µs need 150 ms at the top rate
    // in a straight line; π/2 times that along a sine, 2 times along a
    // quadratic, 3 times along a cubic. Every line goes from rest at 115,200
    // baud in steps of 20 ms.
    void timing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<int>("neededMs");
        QTest::addColumn<bool>("followsCurves");
        QTest::addColumn<int>("arrivalMs");

        QTest::newRow("sine, time to spare") << "#0P2500T1000" << Curve::InOutSine << 236 << true << 1000;
        QTest::newRow("quadratic, time to spare") << "#0P2500T1000" << Curve::InQuad << 300 << true << 1000;
        QTest::newRow("cubic in just its time") << "#0P2500T450" << Curve::InCubic << 450 << true << 450;
        QTest::newRow("the steepest channel counts") << "#0P2500#1P2000T1000" << Curve::OutCubic << 450 << true << 1000;
        // The steps' straight ramps are less steep than the curve at its
        // steepest: the last, from 95.5 % of the way, needs 6,514 µs/s.
        QTest::newRow("cubic short of its time, the steps still within the top rate")
            << "#0P2500T440" << Curve::InCubic << 450 << false << 440;
        // 15 steps to 1000·(k/15)³ µs: the 13th, from 512 to 651 at 240 ms, is
        // more than the top rate's 133 µs in 20 ms, which then takes the
        // remaining 488 µs in 73.2 ms.
        QTest::newRow("ease-in too fast: the end runs at the top rate")
            << "#0P2500T300" << Curve::InCubic << 450 << false << 313;
        // 200 ms at 5,000 µs/s; points 190, 360, 510, ... 910: at the top rate
        // the board is at 800 when the step for 910 comes, which it reaches in
        // time, and the curve from there.
        QTest::newRow("a speed the start cannot follow, caught up in time")
            << "#0P2500S5000" << Curve::OutQuad << 300 << false << 200;
    }
    void timing()
    {
        QFETCH(QString, command);
        QFETCH(Curve, curve);
        QFETCH(int, neededMs);
        QFETCH(bool, followsCurves);
        QFETCH(int, arrivalMs);

        const easedmove::Line line = lineOf(command);
        QList<int> channels;
        for (const motion::Target &target : line.targets)
            channels.append(target.channel);
        const easedmove::Board board = easedmove::standingAt(standing(QString()));
        const easedmove::Plan plan = easedmove::compile(line, board, settings(channels, curve, 20, 115200));
        const easedmove::Timing result = easedmove::timing(plan, board);
        QCOMPARE(result.neededMs, neededMs);
        QCOMPARE(result.followsCurves, followsCurves);
        QCOMPARE(qRound(double(result.arrivalUs - plan.startUs) / 1000), arrivalMs);
    }

    // Six joints travel 1000 µs along one curve in a second (T1000), from a
    // standing board or from one still on its way from the line before. Their
    // step commands, fed to the twin when each arrives, leave the board within
    // 1 % of the travel of the curve at every moment.
    void followsTheCurve_data()
    {
        QTest::addColumn<qint32>("baudRate");
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<bool>("moving");

        for (const qint32 baudRate : {115200, 9600}) {
            for (const Curve curve : easing::allCurves) {
                if (curve != Curve::Linear) {
                    QTest::addRow("%s at %d", qPrintable(easing::name(curve)), baudRate) << baudRate << curve << false;
                }
            }
            QTest::addRow("inOutCubic at %d, the joints still moving", baudRate)
                << baudRate << Curve::InOutCubic << true;
        }
    }
    void followsTheCurve()
    {
        QFETCH(qint32, baudRate);
        QFETCH(Curve, curve);
        QFETCH(bool, moving);

        // Across 1000 µs both ways, so that the steps' pulses change length.
        const QString standsAt = QStringLiteral("#0P600#1P1600#2P1000#3P2000#4P1200#5P2200");
        const QString command = QStringLiteral("#0P1600#1P600#2P2000#3P1000#4P2200#5P1200T1000");
        constexpr qint64 durationUs = 1'000'000;

        easedmove::Board board = easedmove::standingAt(standing(standsAt));
        armtwin::ArmTwin twin;
        std::map<int, int> pose;
        for (const motion::Target &target : wirecommand::read(standsAt).targets())
            pose[target.channel] = target.pulse;
        twin.standAt(pose);
        if (moving) {
            // 100 ms before the line, every joint set off for 1500 at 500 µs/s.
            const QString before =
                QStringLiteral("#0P1500S500#1P1500S500#2P1500S500#3P1500S500#4P1500S500#5P1500S500\r");
            const wirecommand::Command read = wirecommand::read(before);
            board.model.apply(read.targets(), read.timeMs, board.departureUs);
            twin.sent(before.toLatin1(), board.departureUs);
            board.departureUs += 100'000;
        }
        const easedmove::Plan plan =
            easedmove::compile(lineOf(command), board, settings(firstChannels(6), curve, 20, baudRate));

        const QList<motion::Target> targets = lineOf(command).targets;
        const qint64 start = board.departureUs + plan.startUs;
        qsizetype arrived = 0;
        for (qint64 t = board.departureUs; t <= start + durationUs + 100'000; t += 250) {
            // The twin takes each command as it arrives.
            for (; arrived < plan.commands.size() && board.departureUs + plan.commands[arrived].arrivalUs() <= t;
                 ++arrived) {
                const easedmove::Command &sent = plan.commands[arrived];
                twin.sent(sent.text.toLatin1(), board.departureUs + sent.arrivalUs());
            }
            for (const motion::Target &target : targets) {
                const double from = board.model.position(target.channel, start);
                const double expected =
                    t < start
                        ? board.model.position(target.channel, t)
                        : from
                              + (target.pulse - from) * easing::progress(curve, double(t - start) / double(durationUs));
                const double actual = twin.pulse(target.channel, t);
                QVERIFY2(std::abs(actual - expected) <= 0.01 * std::abs(target.pulse - from),
                         qPrintable(QStringLiteral("channel %1 at %2 µs after the line: %3, not %4")
                                        .arg(target.channel)
                                        .arg(t - board.departureUs)
                                        .arg(actual)
                                        .arg(expected)));
            }
        }
        QCOMPARE(arrived, plan.commands.size());
    }
};

SERVO_TEST_MAIN(TestEasedMove)
#include "tst_easedmove.moc"
