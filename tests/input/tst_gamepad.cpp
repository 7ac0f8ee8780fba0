// SPDX-License-Identifier: MIT
#include "input/gamepad.h"
#include "shared/motion.h"

#include <QSignalSpy>
#include <QTest>
#include "support/testmain.h"
#include "support/virtualpad.h"

#include <cmath>
#include <map>
#include <memory>

namespace {

// Every joint may go 900..2100 µs in these tests.
constexpr kinematics::PulseRange testRange{900, 2100};

kinematics::JointLimits testLimits()
{
    kinematics::JointLimits limits;
    limits.fill(testRange);
    return limits;
}

constexpr int slowRate = 30; // µs/s

int channelOf(arm::Joint joint)
{
    return arm::ArmGeometry{}.channel(joint);
}

} // namespace

Q_DECLARE_METATYPE(pad::Axis)
Q_DECLARE_METATYPE(pad::Button)
Q_DECLARE_METATYPE(arm::Joint)

// The game pad on SDL's virtual joystick, in virtual time: each poll comes
// pollIntervalMs after the one before unless a test says otherwise.
class TestGamepad : public QObject
{
    Q_OBJECT

    qint64 m_now = 1'000'000;
    std::unique_ptr<Gamepad> m_pad;

    // A pad as the program would hold it: the arm at rest, the test's limits.
    void start(const pad::Settings &settings = pad::defaults(), bool followed = true)
    {
        m_pad = std::make_unique<Gamepad>([this] { return m_now; });
        QVERIFY2(m_pad->started(), qPrintable(m_pad->startProblem()));
        m_pad->setSettings(settings);
        m_pad->setArm(arm::ArmGeometry{}, testLimits());
        for (int channel : arm::ArmGeometry{}.channels) {
            if (followed)
                m_pad->follow(channel, motion::restPulse);
        }
    }

    void run(qint64 ms, qint64 every = Gamepad::pollIntervalMs)
    {
        for (qint64 passed = 0; passed < ms; passed += every) {
            m_now += every;
            m_pad->poll();
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(virtualpad::startSdl(), SDL_GetError()); }
    void cleanup() { m_pad.reset(); }
    void cleanupTestCase() { virtualpad::stopSdl(); }

    void axisMovesItsJoint_data()
    {
        QTest::addColumn<pad::Axis>("axis");
        QTest::addColumn<double>("share");
        QTest::addColumn<qint64>("holdMs");
        QTest::addColumn<qint64>("everyMs");
        QTest::addColumn<arm::Joint>("joint");
        QTest::addColumn<int>("sign");

        using arm::Joint;
        using pad::Axis;
        const qint64 poll = Gamepad::pollIntervalMs;
        QTest::newRow("left stick right turns the base clockwise")
            << Axis::LeftX << 1.0 << qint64(500) << poll << Joint::Base << -1;
        QTest::newRow("left stick left") << Axis::LeftX << -1.0 << qint64(500) << poll << Joint::Base << 1;
        QTest::newRow("left stick up raises the shoulder")
            << Axis::LeftY << -1.0 << qint64(500) << poll << Joint::Shoulder << 1;
        QTest::newRow("left stick down") << Axis::LeftY << 1.0 << qint64(500) << poll << Joint::Shoulder << -1;
        QTest::newRow("right stick up raises the elbow")
            << Axis::RightY << -1.0 << qint64(500) << poll << Joint::Elbow << 1;
        QTest::newRow("right stick right") << Axis::RightX << 1.0 << qint64(500) << poll << Joint::Wrist << 1;
        QTest::newRow("left trigger") << Axis::LeftTrigger << 1.0 << qint64(500) << poll << Joint::Gripper << 1;
        QTest::newRow("right trigger") << Axis::RightTrigger << 1.0 << qint64(500) << poll << Joint::Gripper << -1;
        QTest::newRow("held past the lower limit") << Axis::LeftX << 1.0 << qint64(3000) << poll << Joint::Base << -1;
        QTest::newRow("held past the upper limit") << Axis::LeftX << -1.0 << qint64(3000) << poll << Joint::Base << 1;
        QTest::newRow("polled slowly") << Axis::LeftY << -1.0 << qint64(500) << qint64(50) << Joint::Shoulder << 1;
        // Each poll counts at most longestStepMs of tilt.
        QTest::newRow("polled after a stall")
            << Axis::LeftY << -1.0 << qint64(2000) << qint64(1000) << Joint::Shoulder << 1;
    }
    void axisMovesItsJoint()
    {
        QFETCH(pad::Axis, axis);
        QFETCH(double, share);
        QFETCH(qint64, holdMs);
        QFETCH(qint64, everyMs);
        QFETCH(arm::Joint, joint);
        QFETCH(int, sign);

        start();
        VirtualPad pad("puppet");
        run(Gamepad::pollIntervalMs);
        QVERIFY(m_pad->attached());
        QSignalSpy moves(m_pad.get(), &Gamepad::moveRequested);
        pad.tilt(axis, share);
        run(holdMs, everyMs);

        const qint64 counted = holdMs / everyMs * std::min<qint64>(everyMs, Gamepad::longestStepMs);
        const double free = motion::restPulse + sign * m_pad->settings().jointRate * double(counted) / 1000;
        const int expected = int(std::lround(std::clamp<double>(free, testRange.min, testRange.max)));
        QVERIFY(!moves.isEmpty());
        int previous = motion::restPulse;
        for (const QList<QVariant> &move : std::as_const(moves)) {
            QCOMPARE(move[0].toInt(), channelOf(joint));
            const int pulse = move[1].toInt();
            QVERIFY2(testRange.contains(pulse), qPrintable(QString::number(pulse)));
            QCOMPARE((pulse - previous) * sign > 0, true);
            previous = pulse;
        }
        QVERIFY2(std::abs(previous - expected) <= 1,
                 qPrintable(QStringLiteral("%1, not %2").arg(previous).arg(expected)));
    }

    void deadZone_data()
    {
        QTest::addColumn<int>("deadZonePercent");
        QTest::addColumn<double>("share");
        QTest::addColumn<double>("ofTheRate");

        QTest::newRow("inside the zone") << 15 << 0.10 << 0.0;
        QTest::newRow("at its edge") << 15 << 0.15 << 0.0;
        // What is past the zone counts from nothing at its edge to all of the rate.
        QTest::newRow("halfway past it") << 15 << 0.575 << 0.5;
        QTest::newRow("full tilt") << 15 << 1.0 << 1.0;
        QTest::newRow("no zone") << 0 << 0.25 << 0.25;
        QTest::newRow("a wide zone") << 50 << 0.75 << 0.5;
    }
    void deadZone()
    {
        QFETCH(int, deadZonePercent);
        QFETCH(double, share);
        QFETCH(double, ofTheRate);

        pad::Settings settings = pad::defaults();
        settings.deadZonePercent = deadZonePercent;
        start(settings);
        VirtualPad pad("puppet");
        run(Gamepad::pollIntervalMs);
        QSignalSpy moves(m_pad.get(), &Gamepad::moveRequested);
        pad.tilt(pad::Axis::LeftY, share);
        run(500);

        if (ofTheRate == 0) {
            QCOMPARE(moves.count(), 0);
            return;
        }
        QVERIFY(!moves.isEmpty());
        const double expected = motion::restPulse - ofTheRate * settings.jointRate / 2;
        QVERIFY2(std::abs(moves.last()[1].toInt() - expected) <= 1, qPrintable(moves.last()[1].toString()));
    }

    // The program tells the pad where each joint stands after every move, its
    // own requests included. At slowRate a poll moves 0.3 µs: the fractions add
    // up though each request comes back rounded.
    void followsThePose_data()
    {
        QTest::addColumn<bool>("followed");
        QTest::addColumn<int>("movedElsewhereTo"); // halfway through; 0: not
        QTest::addColumn<int>("lastRequest");      // 0: none

        const int rest = motion::restPulse;
        QTest::newRow("its own requests come back") << true << 0 << rest + slowRate;
        QTest::newRow("moved elsewhere meanwhile") << true << 1200 << 1200 + slowRate / 2;
        // Neither pulled in to the limit at once nor sent further out.
        QTest::newRow("moved past its limit meanwhile") << true << testRange.max + 200 << rest + slowRate / 2;
        QTest::newRow("never followed: not moved") << false << 0 << 0;
    }
    void followsThePose()
    {
        QFETCH(bool, followed);
        QFETCH(int, movedElsewhereTo);
        QFETCH(int, lastRequest);

        pad::Settings settings = pad::defaults();
        settings.deadZonePercent = 0;
        settings.jointRate = slowRate;
        start(settings, followed);
        VirtualPad pad("puppet");
        run(Gamepad::pollIntervalMs);
        QSignalSpy moves(m_pad.get(), &Gamepad::moveRequested);
        connect(m_pad.get(), &Gamepad::moveRequested, m_pad.get(), &Gamepad::follow);
        const int shoulder = channelOf(arm::Joint::Shoulder);
        pad.tilt(pad::Axis::LeftY, -1.0);
        run(500);
        if (movedElsewhereTo)
            m_pad->follow(shoulder, movedElsewhereTo);
        run(500);

        QCOMPARE(moves.isEmpty(), lastRequest == 0);
        if (moves.isEmpty())
            return;
        QCOMPARE(moves.last()[0].toInt(), shoulder);
        QVERIFY2(std::abs(moves.last()[1].toInt() - lastRequest) <= 1, qPrintable(moves.last()[1].toString()));
    }

    void tipMode_data()
    {
        QTest::addColumn<pad::Axis>("axis");
        QTest::addColumn<double>("share");
        // What a second of it moves, in the settings' rates: mm, and degrees for the pitch.
        QTest::addColumn<TipStep>("perSecond");
        QTest::addColumn<int>("joint"); // the joint it still moves, or -1

        const pad::Settings s = pad::defaults();
        using pad::Axis;
        QTest::newRow("left stick up: away along X") << Axis::LeftY << -1.0 << TipStep{1.0 * s.tipRate, 0, 0, 0} << -1;
        QTest::newRow("left stick right: towards -Y") << Axis::LeftX << 1.0 << TipStep{0, -1.0 * s.tipRate, 0, 0} << -1;
        QTest::newRow("right stick up: up along Z") << Axis::RightY << -1.0 << TipStep{0, 0, 1.0 * s.tipRate, 0} << -1;
        QTest::newRow("right stick right: pitch up")
            << Axis::RightX << 1.0 << TipStep{0, 0, 0, 1.0 * s.pitchRate} << -1;
        QTest::newRow("a trigger still drives the gripper")
            << Axis::LeftTrigger << 1.0 << TipStep{} << int(arm::Joint::Gripper);
    }
    void tipMode()
    {
        QFETCH(pad::Axis, axis);
        QFETCH(double, share);
        QFETCH(TipStep, perSecond);
        QFETCH(int, joint);

        start();
        VirtualPad pad("puppet");
        run(Gamepad::pollIntervalMs);
        QSignalSpy modes(m_pad.get(), &Gamepad::modeChanged);
        pad.setButton(m_pad->settings().switchMode, true);
        run(Gamepad::pollIntervalMs);
        pad.setButton(m_pad->settings().switchMode, false);
        QCOMPARE(modes.count(), 1);
        QCOMPARE(m_pad->mode(), Gamepad::Mode::Tip);

        QSignalSpy moves(m_pad.get(), &Gamepad::moveRequested);
        TipStep moved;
        connect(m_pad.get(), &Gamepad::tipMoveRequested, this, [&moved](const TipStep &step) {
            moved.x += step.x;
            moved.y += step.y;
            moved.z += step.z;
            moved.pitch += step.pitch;
        });
        pad.tilt(axis, share);
        run(1000);

        QVERIFY2(std::abs(moved.x - perSecond.x) < 1e-6, qPrintable(QString::number(moved.x)));
        QVERIFY2(std::abs(moved.y - perSecond.y) < 1e-6, qPrintable(QString::number(moved.y)));
        QVERIFY2(std::abs(moved.z - perSecond.z) < 1e-6, qPrintable(QString::number(moved.z)));
        QVERIFY2(std::abs(moved.pitch - perSecond.pitch) < 1e-6, qPrintable(QString::number(moved.pitch)));
        QCOMPARE(moves.isEmpty(), joint < 0);
        for (const QList<QVariant> &move : std::as_const(moves))
            QCOMPARE(move[0].toInt(), channelOf(arm::Joint(joint)));
    }

    void buttons_data()
    {
        QTest::addColumn<pad::Settings>("settings");
        QTest::addColumn<pad::Button>("button");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("stops");
        QTest::addColumn<int>("switches");

        using pad::Button;
        const pad::Settings standard = pad::defaults();
        pad::Settings remapped = standard;
        remapped.record = Button::Y;
        QTest::newRow("A asks for a line") << standard << Button::A << 1 << 0 << 0;
        QTest::newRow("B stops") << standard << Button::B << 0 << 1 << 0;
        QTest::newRow("the left shoulder switches") << standard << Button::LeftShoulder << 0 << 0 << 1;
        QTest::newRow("another button does nothing") << standard << Button::X << 0 << 0 << 0;
        QTest::newRow("recording moved to Y") << remapped << Button::Y << 1 << 0 << 0;
        QTest::newRow("A then does nothing") << remapped << Button::A << 0 << 0 << 0;
    }
    void buttons()
    {
        QFETCH(pad::Settings, settings);
        QFETCH(pad::Button, button);
        QFETCH(int, records);
        QFETCH(int, stops);
        QFETCH(int, switches);

        start(settings);
        VirtualPad pad("puppet");
        run(Gamepad::pollIntervalMs);
        QSignalSpy recordSpy(m_pad.get(), &Gamepad::recordRequested);
        QSignalSpy stopSpy(m_pad.get(), &Gamepad::stopRequested);
        QSignalSpy modeSpy(m_pad.get(), &Gamepad::modeChanged);
        // Held over several polls, a press counts once.
        pad.setButton(button, true);
        run(5 * Gamepad::pollIntervalMs);
        pad.setButton(button, false);
        run(5 * Gamepad::pollIntervalMs);

        QCOMPARE(recordSpy.count(), records);
        QCOMPARE(stopSpy.count(), stops);
        QCOMPARE(modeSpy.count(), switches);
        QCOMPARE(m_pad->mode(), switches ? Gamepad::Mode::Tip : Gamepad::Mode::Joints);
    }

    // A stick held over when the stop is pressed, or when the pad is plugged
    // in, moves nothing until it has been let go.
    void heldStickWaitsToBeLetGo_data()
    {
        QTest::addColumn<bool>("stopped"); // else plugged in with the stick held
        QTest::newRow("after the stop") << true;
        QTest::newRow("plugged in held") << false;
    }
    void heldStickWaitsToBeLetGo()
    {
        QFETCH(bool, stopped);

        start();
        VirtualPad pad("puppet");
        QSignalSpy moves(m_pad.get(), &Gamepad::moveRequested);
        if (stopped)
            run(Gamepad::pollIntervalMs);
        pad.tilt(pad::Axis::LeftX, 1.0);
        if (stopped) {
            run(200);
            QVERIFY(!moves.isEmpty());
            pad.setButton(m_pad->settings().stop, true);
            run(Gamepad::pollIntervalMs);
            pad.setButton(m_pad->settings().stop, false);
            moves.clear();
        }
        run(500);
        QVERIFY(m_pad->attached());
        QVERIFY(m_pad->holding());
        QCOMPARE(moves.count(), 0);

        pad.tilt(pad::Axis::LeftX, 0);
        run(Gamepad::pollIntervalMs);
        QVERIFY(!m_pad->holding());
        pad.tilt(pad::Axis::LeftX, 1.0);
        run(200);
        QVERIFY(!moves.isEmpty());
    }

    // Steps: "start" (the Gamepad starts), "plug <name>", "unplug <name>".
    void plugAndUnplug_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("heard");

        QTest::newRow("no pad") << QStringList{"start"} << QStringList{};
        QTest::newRow("plugged in while running") << QStringList{"start", "plug first"} << QStringList{"+first"};
        QTest::newRow("plugged in before the start") << QStringList{"plug first", "start"} << QStringList{"+first"};
        QTest::newRow("pulled out") << QStringList{"start", "plug first", "unplug first"}
                                    << QStringList{"+first", "-first"};
        QTest::newRow("pulled out with another there")
            << QStringList{"start", "plug first", "plug second", "unplug first"}
            << QStringList{"+first", "-first", "+second"};
        QTest::newRow("a second one is not taken while the first is there")
            << QStringList{"start", "plug first", "plug second", "unplug second"} << QStringList{"+first"};
        QTest::newRow("plugged in again") << QStringList{"start", "plug first", "unplug first", "plug first"}
                                          << QStringList{"+first", "-first", "+first"};
    }
    void plugAndUnplug()
    {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, heard);

        std::map<QString, std::unique_ptr<VirtualPad>> pads;
        QStringList log;
        int moves = 0;
        for (const QString &step : std::as_const(steps)) {
            const QString name = step.section(u' ', 1);
            if (step == u"start") {
                start();
                connect(m_pad.get(), &Gamepad::padAttached, this, [&log](const QString &n) { log.append(u'+' + n); });
                connect(m_pad.get(), &Gamepad::padDetached, this, [&log](const QString &n) { log.append(u'-' + n); });
                connect(m_pad.get(), &Gamepad::moveRequested, this, [&moves] { ++moves; });
            } else if (step.startsWith(u"plug ")) {
                pads[name] = std::make_unique<VirtualPad>(name.toUtf8());
            } else if (step.startsWith(u"unplug ")) {
                pads.erase(name);
            } else {
                qFatal("unknown step %s", qPrintable(step));
            }
            if (m_pad)
                run(3 * Gamepad::pollIntervalMs);
        }

        QCOMPARE(log, heard);
        const QString last = heard.isEmpty() ? QString() : heard.last();
        QCOMPARE(m_pad->attached(), last.startsWith(u'+'));
        QCOMPARE(m_pad->padName(), last.startsWith(u'+') ? last.mid(1) : QString());
        // Idle with no pad, and never a move unasked.
        QCOMPARE(moves, 0);
    }
};

SERVO_TEST_MAIN(TestGamepad)
#include "tst_gamepad.moc"
