// SPDX-License-Identifier: MIT
#include "engine/engine.h"
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
        while (departures.size() < port->writes.size())
            departures.append({port->writes[departures.size()], time.nowMs()});
    }

    QTemporaryDir folder;
    VirtualTime time;
    FakeSerialPort *port = nullptr;
    std::unique_ptr<Engine> engine;
    QList<QPair<QByteArray, qint64>> departures;
};

} // namespace

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
