// SPDX-License-Identifier: MIT
#include "engine/engine.h"
#include "core/settingsstring.h"
#include "shared/wirecommand.h"
#include "support/easedprofile.h"
#include "support/fakeserialport.h"
#include "support/virtualtime.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

#include <cmath>
#include <memory>

namespace {

using Pose = std::map<int, int>;
using easing::Curve;
using testsupport::easedProfile;

// The engine on an open fake port in test time, cmd.txt (and arm.json when
// given) in a folder of its own.
struct Bench {
    explicit Bench(const QByteArray &profile = {})
    {
        if (!profile.isEmpty()) {
            QFile file(folder.filePath(QStringLiteral("arm.json")));
            if (!file.open(QIODevice::WriteOnly) || file.write(profile) != profile.size())
                qFatal("arm.json not written");
        }
        auto fake = std::make_unique<FakeSerialPort>();
        port = fake.get();
        engine = std::make_unique<Engine>(Engine::Setup{std::move(fake), folder.filePath(QStringLiteral("cmd.txt")),
                                                        folder.filePath(QStringLiteral("sent.json")), &time, &time});
        if (!(port->setCommPort(1).ok() && port->openPort().ok()))
            qFatal("the fake port did not open");
    }
    // Writes `command` (with its CR) at `atMs` in test time.
    void sendAt(qint64 atMs, const QByteArray &command)
    {
        time.advance(atMs - time.nowMs());
        if (!engine->sendCommand(QString::fromLatin1(command)))
            qFatal("not sent: %s", command.constData());
    }
    // Lets `ms` pass, noting each write with the time it left.
    void advance(qint64 ms)
    {
        time.advance(ms, [this] { note(); });
        note();
    }
    void note()
    {
        while (departures.size() < port->writes.size()) {
            departures.append({port->writes[departures.size()], time.nowMs()});
            departedUs.append(time.nowNs() / 1000);
        }
    }

    QTemporaryDir folder;
    VirtualTime time;
    FakeSerialPort *port = nullptr;
    std::unique_ptr<Engine> engine;
    QList<QPair<QByteArray, qint64>> departures;
    QList<qint64> departedUs;
};

QList<int> sixJoints()
{
    return {0, 1, 2, 3, 4, 5};
}

double lineRate(const QString &settings)
{
    return settingsstring::bytesPerSecond(std::get<settingsstring::LineSettings>(settingsstring::parse(settings)));
}

qint64 wireUs(qsizetype bytes, double bytesPerSecond)
{
    return qint64(std::ceil(double(bytes) * 1e6 / bytesPerSecond - 1e-9));
}

enum class Sending { Line, Glide };
enum class Stopping { Esc, EmergencyStop };

// Six joints from rest along inOutSine in one second, then back.
const QString easedSequence = QStringLiteral("Time1500  #0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T1000\r"
                                             "Time1500  #0P1500#1P1500#2P1500#3P1500#4P1500#5P1500T1000\r");

// How a run used the line at `bytesPerSecond`: each command on it from when it
// left or, when the line was still busy, from when it was free.
struct LineUse {
    // The most a command within a line's move took of the time until the next
    // left (a line's own first command, which leaves at the line's time, is
    // not counted against the command before it).
    double busiest = 0;
    // Still on the line when the last command left.
    qint64 backlogUs = 0;
    qsizetype commands = 0;
};

LineUse lineUse(const Bench &b, double bytesPerSecond, const QList<qsizetype> &lineCommands)
{
    LineUse use;
    qint64 freeUs = 0;
    const QByteArrayList &writes = b.port->writes;
    for (qsizetype i = 0; i < writes.size(); ++i) {
        const qint64 wire = wireUs(writes[i].size(), bytesPerSecond);
        freeUs = std::max(freeUs, b.departedUs[i]) + wire;
        if (i + 1 < writes.size() && !lineCommands.contains(i + 1))
            use.busiest = std::max(use.busiest, double(wire) / double(b.departedUs[i + 1] - b.departedUs[i]));
    }
    use.backlogUs = writes.isEmpty() ? 0 : freeUs - b.departedUs.last();
    use.commands = writes.size();
    return use;
}

} // namespace

Q_DECLARE_METATYPE(Curve)
Q_DECLARE_METATYPE(Sending)
Q_DECLARE_METATYPE(Stopping)

class TestEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // 急停 holds every channel still moving where it has got to, in one
    // command; a channel at rest gets nothing.
    void emergencyStopHoldsTheArm_data()
    {
        QTest::addColumn<QByteArrayList>("commands"); // sent at 0, 100, 200 ms ...
        QTest::addColumn<int>("stopAtMs");
        QTest::addColumn<QByteArray>("hold"); // empty: nothing sent
        QTest::addColumn<Pose>("held");
        QTest::newRow("two slow moves, halfway") << QByteArrayList{"#6P1000S300", "#5P2000S300"} << 500
                                                 << QByteArray("#5P1620#6P1350\r") << Pose{{5, 1620}, {6, 1350}};
        QTest::newRow("one arrived, one still moving")
            << QByteArrayList{"#7P1600S1000", "#5P2500S100"} << 1000 << QByteArray("#5P1590\r") << Pose{{5, 1590}};
        QTest::newRow("T: all together") << QByteArrayList{"#1P2000#2P1000T2000"} << 500
                                         << QByteArray("#1P1625#2P1375\r") << Pose{{1, 1625}, {2, 1375}};
        QTest::newRow("nothing moving: nothing sent")
            << QByteArrayList{"#5P1600S1000"} << 2000 << QByteArray() << Pose{};
        QTest::newRow("S0 is no limit: arrived at the top rate")
            << QByteArrayList{"#5P1600S0"} << 200 << QByteArray() << Pose{};
    }

    void emergencyStopHoldsTheArm()
    {
        QFETCH(QByteArrayList, commands);
        QFETCH(int, stopAtMs);
        QFETCH(QByteArray, hold);
        QFETCH(Pose, held);
        Bench b;
        for (qsizetype i = 0; i < commands.size(); ++i)
            b.sendAt(i * 100, commands[i] + '\r');
        b.time.advance(stopAtMs - b.time.nowMs());
        const qsizetype before = b.port->writes.size();
        QCOMPARE(b.engine->emergencyStop(), held);
        const QByteArrayList after = b.port->writes.mid(before);
        QCOMPARE(after, hold.isEmpty() ? QByteArrayList{} : QByteArrayList{hold});
    }

    // A stop in the middle of playback: what waited is dropped, the arm is held,
    // and nothing more goes out.
    void emergencyStopDuringPlayback()
    {
        Bench b;
        b.engine->sequence().setText(QStringLiteral("Time1000  #5P2000S500\rTime1000  #5P1000S500\r"));
        b.engine->playback().run();
        b.advance(100 + 400); // line 1 left at 100 ms; 400 ms of its move
        QCOMPARE(b.engine->emergencyStop(), (Pose{{5, 1700}}));
        b.advance(5000);
        QCOMPARE(b.port->writes, (QByteArrayList{"#5P2000S500\r", "#5P1700\r"}));
        QCOMPARE(b.engine->playback().state(), Playback::State::Stopped);
    }

    // ×N plays the same animation N times faster: waits and T divided by N,
    // speeds multiplied, never past the top rate.
    void playbackSpeed_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<QByteArrayList>("sent");
        QTest::addColumn<QList<qint64>>("gaps"); // between departures, and to the end
        QTest::newRow("x1") << 1.0 << QByteArrayList{"#5P2000S300#6P900\r", "#5P1000T500\r", "#5P1500S5000\r"}
                            << QList<qint64>{1000, 2000, 1000};
        QTest::newRow("x2") << 2.0 << QByteArrayList{"#5P2000S600#6P900\r", "#5P1000T250\r", "#5P1500S6666\r"}
                            << QList<qint64>{500, 1000, 500};
        QTest::newRow("x0.5") << 0.5 << QByteArrayList{"#5P2000S150#6P900\r", "#5P1000T1000\r", "#5P1500S2500\r"}
                              << QList<qint64>{2000, 4000, 2000};
    }

    void playbackSpeed()
    {
        QFETCH(double, speed);
        QFETCH(QByteArrayList, sent);
        QFETCH(QList<qint64>, gaps);
        Bench b;
        b.engine->sequence().setText(QStringLiteral("Time1000  #5P2000S300#6P900\rTime2000  #5P1000T500\r"
                                                    "Time1000  #5P1500S5000\r"));
        qint64 endedAtMs = -1;
        connect(&b.engine->playback(), &Playback::stopped, this, [&] { endedAtMs = b.time.nowMs(); });
        b.engine->playback().setSpeed(speed);
        b.engine->playback().run();
        b.advance(100000);
        QCOMPARE(b.port->writes, sent);
        QList<qint64> measured;
        for (qsizetype i = 1; i < b.departures.size(); ++i)
            measured.append(b.departures[i].second - b.departures[i - 1].second);
        measured.append(endedAtMs - b.departures.last().second);
        QCOMPARE(measured, gaps);
    }

    // The timing check reads a line as it will be played: at the playback
    // speed, and with every pulse held to the profile's limits.
    void timingFollowsSpeedAndLimits_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("pulse");     // where the line leaves channel 5
        QTest::addColumn<int>("arrivalMs"); // of its move, from its first byte (wire time included)
        const QByteArray limited = R"({"version": 1, "channels": {"5": {"min": 900, "max": 2100}}})";
        // The command's bytes at 115200 8N1, then the servo's travel from 1500.
        const auto arrival = [](int bytes, double travelMs) { return int(std::ceil(bytes / 11.52 + travelMs)); };
        const double topRateMs = 500 * 1000 / motion::defaultTopRate; // 500 µs at the top rate
        QTest::newRow("as written") << QByteArray() << 1.0 << "Time3000  #5P702S300" << 702
                                    << arrival(11, 798 * 1000 / 300.0);
        QTest::newRow("held to the limit")
            << limited << 1.0 << "Time3000  #5P702S300" << 900 << arrival(11, 600 * 1000 / 300.0);
        QTest::newRow("x2: twice the speed")
            << limited << 2.0 << "Time3000  #5P702S300" << 900 << arrival(11, 600 * 1000 / 600.0);
        QTest::newRow("S0: the top rate")
            << QByteArray() << 1.0 << "Time3000  #5P2000S0" << 2000 << arrival(10, topRateMs);
        QTest::newRow("empty S: the top rate")
            << QByteArray() << 1.0 << "Time3000  #5P2000S" << 2000 << arrival(9, topRateMs);
        QTest::newRow("T at x2") << QByteArray() << 2.0 << "Time3000  #5P2000T1000" << 2000 << arrival(12, 500);
    }

    void timingFollowsSpeedAndLimits()
    {
        QFETCH(QByteArray, profile);
        QFETCH(double, speed);
        QFETCH(QString, line);
        QFETCH(int, pulse);
        QFETCH(int, arrivalMs);
        Bench b(profile);
        b.engine->sequence().setText(line + u'\r');
        b.engine->playback().setSpeed(speed);
        PoseTimeline &timeline = b.engine->timeline();
        const PoseTimeline::Row &row = timeline.row(0);
        QCOMPARE(poseline::apply(row.before.pose, row.move)[5], pulse);
        QCOMPARE(row.figures.arrivalMs, arrivalMs);
    }

    // A line of six eased joints played through the engine in test time: its
    // steps at their times, each arriving a step after the one before, the
    // joints along their curves (every command taken in when its bytes are
    // in), and the twin hearing every step. Held to the limits, at the
    // playback speed, on the port's line; a glide the same.
    void easedLine_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<double>("speed");
        QTest::addColumn<Sending>("sending");
        QTest::addColumn<QString>("line");
        QTest::addColumn<Pose>("to"); // the eased joints' targets, as held
        QTest::addColumn<int>("durationMs");
        QTest::addColumn<int>("stepMs");
        QTest::addColumn<QByteArrayList>("first"); // the first commands, up to the first step
        QTest::addColumn<QByteArray>("last");
        QTest::addColumn<int>("clamps");

        const QString fast = QStringLiteral("115200,n,8,1");
        const QString slow = QStringLiteral("9600,n,8,1");
        const QString joints = QStringLiteral("#0P1000#1P2000#2P1000#3P2000#4P1000#5P2000");
        const Pose to{{0, 1000}, {1, 2000}, {2, 1000}, {3, 2000}, {4, 1000}, {5, 2000}};
        const QByteArray profile = easedProfile(sixJoints(), Curve::InOutSine);
        // From rest at 1500: inOutSine has done 0.1 % of its way after 20 ms of
        // a second (0.5 µs), 0.9 % after 60 ms, 0.4 % after 20 ms of half a second.
        QTest::newRow("115200") << profile << Curve::InOutSine << fast << 1.0 << Sending::Line
                                << "Time1500  " + joints + "T1000" << to << 1000 << 20
                                << QByteArrayList{"#0P1500#1P1500#2P1500#3P1500#4P1500#5P1500T20\r"}
                                << QByteArray("#0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T20\r") << 0;
        // 46 bytes a step at 9600 take 60 ms at 80 % of the line: 17 steps, the last of 40 ms.
        QTest::newRow("9600") << profile << Curve::InOutSine << slow << 1.0 << Sending::Line
                              << "Time1500  " + joints + "T1000" << to << 1000 << 60
                              << QByteArrayList{"#0P1496#1P1504#2P1496#3P1504#4P1496#5P1504T60\r"}
                              << QByteArray("#0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T40\r") << 0;
        QTest::newRow("x2: the curves in half the time")
            << profile << Curve::InOutSine << fast << 2.0 << Sending::Line << "Time1500  " + joints + "T1000" << to
            << 500 << 20 << QByteArrayList{"#0P1498#1P1502#2P1498#3P1502#4P1498#5P1502T20\r"}
            << QByteArray("#0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T20\r") << 0;
        // Channel 6 is not eased: it goes first, as the line has it. outCubic
        // has done 5.9 % of its way after 20 ms of a second.
        QTest::newRow("a channel not eased goes first")
            << easedProfile(sixJoints(), Curve::OutCubic) << Curve::OutCubic << fast << 1.0 << Sending::Line
            << "Time1500  #6P1800S300" + joints + "T1000" << to << 1000 << 20
            << QByteArrayList{"#6P1800S300T1000\r", "#0P1471#1P1529#2P1471#3P1529#4P1471#5P1529T20\r"}
            << QByteArray("#0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T20\r") << 0;
        Pose held = to;
        held[0] = 1100;
        QTest::newRow("held to the limits")
            << easedProfile(sixJoints(), Curve::InOutSine, {{0, R"("min": 1100)"}}) << Curve::InOutSine << fast << 1.0
            << Sending::Line << "Time1500  " + joints + "T1000" << held << 1000 << 20
            << QByteArrayList{"#0P1500#1P1500#2P1500#3P1500#4P1500#5P1500T20\r"}
            << QByteArray("#0P1100#1P2000#2P1000#3P2000#4P1000#5P2000T20\r") << 1;
        QTest::newRow("a glide (载入姿态)")
            << profile << Curve::InOutSine << fast << 1.0 << Sending::Glide << QString() << to << 1000 << 20
            << QByteArrayList{"#0P1500#1P1500#2P1500#3P1500#4P1500#5P1500T20\r"}
            << QByteArray("#0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T20\r") << 0;
    }

    void easedLine()
    {
        QFETCH(QByteArray, profile);
        QFETCH(Curve, curve);
        QFETCH(QString, settings);
        QFETCH(double, speed);
        QFETCH(Sending, sending);
        QFETCH(QString, line);
        QFETCH(Pose, to);
        QFETCH(int, durationMs);
        QFETCH(int, stepMs);
        QFETCH(QByteArrayList, first);
        QFETCH(QByteArray, last);
        QFETCH(int, clamps);

        Bench b(profile);
        QVERIFY(b.port->setSettings(settings).ok());
        int clamped = 0;
        connect(b.engine.get(), &Engine::clamped, this, [&clamped](int count) { clamped += count; });
        // The twin hears each command as it goes.
        QList<QByteArray> heard;
        connect(b.engine.get(), &Engine::twinMoved, this, [&] {
            QByteArray pulses;
            for (const motion::Target &target : wirecommand::read(b.port->writes.last()).targets())
                pulses += QByteArray::number(b.engine->twin().model().target(target.channel));
            heard.append(pulses);
        });
        b.engine->playback().setSpeed(speed);
        constexpr qint64 departureMs = 100; // Run to the first line
        if (sending == Sending::Line) {
            b.engine->sequence().setText(line + u'\r');
            b.engine->playback().run();
        } else {
            b.engine->playback().setGlideMs(durationMs);
            b.advance(departureMs);
            QVERIFY(b.engine->glideTo(to));
            b.note();
        }
        b.advance(10'000);

        const QByteArrayList &writes = b.port->writes;
        QCOMPARE(writes.first(first.size()), first);
        QCOMPARE(writes.last(), last);
        QCOMPARE(b.departedUs.first(), departureMs * 1000);
        QCOMPARE(clamped, clamps);
        QCOMPARE(heard.size(), writes.size());
        for (qsizetype i = 0; i < writes.size(); ++i) {
            QByteArray pulses;
            for (const motion::Target &target : wirecommand::read(writes[i]).targets())
                pulses += QByteArray::number(target.pulse);
            QCOMPARE(heard[i], pulses);
        }

        // The board takes each command when its bytes are in; the steps land a step apart.
        const double rate = lineRate(settings);
        const qsizetype firstStep = first.size() - 1;
        motion::MotionModel board;
        QList<qint64> arrivalUs;
        for (qsizetype i = 0; i < writes.size(); ++i)
            arrivalUs.append(b.departedUs[i] + wireUs(writes[i].size(), rate));
        for (qsizetype i = firstStep + 2; i < writes.size(); ++i)
            QCOMPARE(arrivalUs[i] - arrivalUs[i - 1], stepMs * 1000LL);
        // The last step lands when the move is over.
        QCOMPARE(arrivalUs.last() + *wirecommand::read(writes.last()).timeMs * 1000LL,
                 arrivalUs[firstStep] + durationMs * 1000LL);

        const qint64 startUs = arrivalUs[firstStep];
        qsizetype taken = 0;
        for (qint64 t = startUs; t <= startUs + durationMs * 1000LL + 50'000; t += 500) {
            for (; taken < writes.size() && arrivalUs[taken] <= t; ++taken) {
                const wirecommand::Command read = wirecommand::read(writes[taken]);
                board.apply(read.targets(), read.timeMs, arrivalUs[taken]);
            }
            for (const auto &[channel, pulse] : to) {
                const double share = easing::progress(curve, double(t - startUs) / (durationMs * 1000.0));
                const double expected = motion::restPulse + (pulse - motion::restPulse) * share;
                QVERIFY2(std::abs(board.position(channel, t) - expected) <= 0.01 * std::abs(pulse - motion::restPulse),
                         qPrintable(QStringLiteral("channel %1 at %2 µs: %3, not %4")
                                        .arg(channel)
                                        .arg(t - startUs)
                                        .arg(board.position(channel, t))
                                        .arg(expected)));
            }
        }
    }

    // The steps leave room on the line, at 9,600 baud as at 115,200: within a
    // move each takes at most the line's share for steps of the time until the
    // next, and a run ends with no more waiting on the line than the same run
    // sent straight, also when each line leaves before its move has ended.
    void stepsLeaveRoomOnTheLine_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QString>("sequence");
        QTest::newRow("9600") << QStringLiteral("9600,n,8,1") << easedSequence;
        QTest::newRow("115200") << QStringLiteral("115200,n,8,1") << easedSequence;
        QString hurried = easedSequence;
        hurried.replace(QStringLiteral("Time1500"), QStringLiteral("Time600 "));
        QTest::newRow("9600, each line leaving before its move ends") << QStringLiteral("9600,n,8,1") << hurried;
    }
    void stepsLeaveRoomOnTheLine()
    {
        QFETCH(QString, settings);
        QFETCH(QString, sequence);
        const auto play = [&](const QByteArray &profile) {
            Bench b(profile);
            if (!b.port->setSettings(settings).ok())
                qFatal("settings refused");
            QList<qsizetype> lineCommands;
            connect(&b.engine->playback(), &Playback::sent, this, [&](const QString &, Playback::Sent what) {
                if (what == Playback::Sent::Line)
                    lineCommands.append(b.port->writes.size() - 1);
            });
            b.engine->sequence().setText(sequence);
            b.engine->playback().run();
            b.advance(10'000);
            return lineUse(b, lineRate(settings), lineCommands);
        };
        const LineUse eased = play(easedProfile(sixJoints(), Curve::InOutSine));
        const LineUse straight = play({});
        QVERIFY2(eased.commands > straight.commands, "no steps went out");
        QVERIFY2(eased.busiest <= easedmove::lineShare, qPrintable(QString::number(eased.busiest)));
        QVERIFY2(eased.backlogUs <= straight.backlogUs,
                 qPrintable(QStringLiteral("%1 µs left, straight %2").arg(eased.backlogUs).arg(straight.backlogUs)));
    }

    // Without an eased channel in its lines, a sequence goes out byte for byte
    // and at the times it always has.
    void nothingEasedPlaysAsWritten_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::newRow("no profile") << QByteArray();
        QTest::newRow("a linear profile")
            << QByteArray(R"({"version": 1, "motion": {"easing": "linear", "stepMs": 40},)"
                          R"( "channels": {"0": {"easing": "linear"}}})");
        QTest::newRow("eased channels the sequence does not use") << easedProfile({20, 21}, Curve::InOutCubic);
    }
    void nothingEasedPlaysAsWritten()
    {
        QFETCH(QByteArray, profile);
        Bench b(profile);
        b.engine->sequence().setText(QStringLiteral("Time500   #0P2000S300#1P1000S300\rTime300   #2P2500T400\r"
                                                    "Time200   #5P1600S\rTime400   \rTime100   #0P1500S300#1P1500"));
        b.engine->playback().run();
        b.advance(10'000);
        const QList<QPair<QByteArray, qint64>> asWritten{{"#0P2000S300#1P1000S300\r", 100},
                                                         {"#2P2500T400\r", 600},
                                                         {"#5P1600S\r", 900},
                                                         {"\r", 1100},
                                                         {"#0P1500S300#1P1500\r", 1500}};
        QCOMPARE(b.departures, asWritten);
    }

    // Esc and 急停 in the middle of a curve: no step goes out after them; 急停
    // then holds the joints where they have got to on the curve.
    void stopInTheMiddleOfACurve_data()
    {
        QTest::addColumn<Stopping>("stopping");
        QTest::newRow("Esc") << Stopping::Esc;
        QTest::newRow("急停") << Stopping::EmergencyStop;
    }
    void stopInTheMiddleOfACurve()
    {
        QFETCH(Stopping, stopping);
        Bench b(easedProfile(sixJoints(), Curve::InOutSine));
        b.engine->sequence().setText(easedSequence);
        b.engine->playback().run();
        constexpr qint64 stopAtMs = 600; // 500 ms into the first line's move
        b.advance(stopAtMs);
        const qsizetype steps = b.port->writes.size();
        QVERIFY(steps > 1);
        if (stopping == Stopping::Esc)
            b.engine->playback().stopAndDiscard();
        else
            QCOMPARE(b.engine->emergencyStop().size(), size_t(6));
        QCOMPARE(b.engine->playback().piecesWaiting(), 0);
        b.advance(10'000);
        QCOMPARE(b.port->writes.size(), steps + (stopping == Stopping::EmergencyStop ? 1 : 0));
        if (stopping == Stopping::Esc)
            return;
        // Held halfway along the curve: 250 µs from rest.
        const wirecommand::Command hold = wirecommand::read(b.port->writes.last());
        QVERIFY(!hold.timeMs);
        for (const motion::Target &target : hold.targets())
            QVERIFY2(std::abs(std::abs(target.pulse - motion::restPulse) - 250) <= 5,
                     qPrintable(QString::fromLatin1(b.port->writes.last())));
    }

    // Paused in the middle of a curve, the joints wait where the last step took
    // them; resumed, the rest of the curve goes out as it would have, later by
    // the pause.
    void pauseInTheMiddleOfACurve()
    {
        const QByteArray profile = easedProfile(sixJoints(), Curve::InOutSine);
        Bench straight(profile);
        straight.engine->sequence().setText(easedSequence);
        straight.engine->playback().run();
        straight.advance(10'000);

        Bench paused(profile);
        paused.engine->sequence().setText(easedSequence);
        paused.engine->playback().run();
        constexpr qint64 pauseAtMs = 610, pauseMs = 700;
        paused.advance(pauseAtMs);
        paused.engine->playback().pause();
        const qsizetype before = paused.port->writes.size();
        paused.advance(pauseMs);
        QCOMPARE(paused.port->writes.size(), before);
        paused.engine->playback().resume();
        paused.advance(10'000);

        QCOMPARE(paused.port->writes, straight.port->writes);
        for (qsizetype i = 0; i < straight.departedUs.size(); ++i)
            QCOMPARE(paused.departedUs[i], straight.departedUs[i] + (i < before ? 0 : pauseMs * 1000));
    }

    // Where each change of the pose came from decides whether it is sent.
    void poseOrigins()
    {
        Bench b;
        PoseDraft &pose = b.engine->pose();
        pose.setSpeedText(QStringLiteral("300"));
        pose.move(5, 2000, PoseDraft::Origin::Operator);
        pose.move(5, 2000, PoseDraft::Origin::Operator); // a slider let go: once more
        QVERIFY(b.engine->glideTo({{3, 1000}, {7, 2100}}));
        QCOMPARE(b.port->writes, (QByteArrayList{"#5P2000S300\r", "#5P2000S300\r", "#3P1000#7P2100\r"}));
        // The glide is shown, ticked, and not sent again.
        QCOMPARE(pose.pulse(3), 1000);
        QCOMPARE(pose.pulse(7), 2100);
        QVERIFY(pose.ticked(3) && pose.ticked(7));
    }

    // With the pose following the arm, each played line and the stop show
    // what went out; without it, the pose stays as the operator left it.
    void poseFollowsTheArm_data()
    {
        QTest::addColumn<bool>("follows");
        QTest::addColumn<int>("after"); // channel 5's pulse after the run and the stop
        QTest::newRow("off") << false << motion::restPulse;
        QTest::newRow("on") << true << 1800;
    }

    void poseFollowsTheArm()
    {
        QFETCH(bool, follows);
        QFETCH(int, after);
        Bench b;
        b.engine->setPoseFollowsArm(follows);
        b.engine->sequence().setText(QStringLiteral("Time1000  #5P2100S1000\r"));
        b.engine->playback().run();
        b.advance(100 + 300);
        b.engine->emergencyStop();
        QCOMPARE(b.engine->pose().pulse(5), after);
        // Nothing was sent for it: the line and the hold only.
        QCOMPARE(b.port->writes, (QByteArrayList{"#5P2100S1000\r", "#5P1800\r"}));
    }
};

SERVO_TEST_MAIN(TestEngine)
#include "tst_engine.moc"
