// SPDX-License-Identifier: MIT
#include "app/motionsettings.h"
#include "app/puppetcontrols.h"
#include "core/poseline.h"
#include "engine/poserecording.h"
#include "input/gamepad.h"
#include "input/keypad.h"
#include "sequence/sequenceeditor.h"
#include "shared/kinematics.h"
#include "workspace/armview.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "support/testmain.h"
#include "support/virtualpad.h"
#include "support/windowharness.h"

#include <cmath>
#include <memory>
#include <set>

namespace {

using kinematics::Tip;

// One thing the operator does, at a time from the start of the recording.
struct Act {
    enum class Kind { Slider, ValueBox, GrabTip, MoveTip, LetGo, Esc };
    qint64 atMs = 0;
    Kind kind = Kind::Slider;
    int channel = 0; // a slider's, a value box's
    int value = 0;   // a pulse; for the tip, pixels across
    int down = 0;    // for the tip, pixels down
};
using Script = QList<Act>;

// A slider dragged from `from` to `to`, a report every 16 ms.
Script sliderDrag(int channel, qint64 fromMs, qint64 toMs, int from, int to)
{
    Script script;
    for (qint64 t = fromMs + 16; t < toMs; t += 16)
        script.append({t, Act::Kind::Slider, channel, from + int((to - from) * (t - fromMs) / (toMs - fromMs))});
    script.append({toMs, Act::Kind::Slider, channel, to});
    return script;
}

// The gripper's tip grabbed in the side view and dragged by `across`, `down`
// pixels in `steps` reports 16 ms apart.
Script tipDrag(qint64 fromMs, int steps, int across, int down)
{
    Script script{{fromMs, Act::Kind::GrabTip}};
    for (int step = 1; step <= steps; ++step)
        script.append({fromMs + 16 * step, Act::Kind::MoveTip, 0, across * step / steps, down * step / steps});
    script.append({fromMs + 16 * steps, Act::Kind::LetGo});
    return script;
}

// Two scripts acted together, in time order.
Script together(Script a, const Script &b)
{
    a.append(b);
    std::stable_sort(a.begin(), a.end(), [](const Act &x, const Act &y) { return x.atMs < y.atMs; });
    return a;
}

poseline::Pose poseOf(const PoseDraft &pose)
{
    poseline::Pose pulses;
    for (int channel = 0; channel < motion::channelCount; ++channel)
        pulses[size_t(channel)] = pose.pulse(channel);
    return pulses;
}

Tip tipOf(const CurrentProfile &profile, const PoseDraft &pose)
{
    kinematics::JointPulses pulses{};
    for (int joint = 0; joint < arm::jointCount; ++joint)
        pulses[size_t(joint)] = pose.pulse(profile.arm().channels[size_t(joint)]);
    return kinematics::forward(profile.arm(), pulses).tip;
}

// The pulses written to `channel` as live moves, in order.
QList<int> movesOf(const QByteArrayList &writes, int channel)
{
    const QRegularExpression move(QStringLiteral("^#%1P(\\d+)S\\d+\\r$").arg(channel));
    QList<int> pulses;
    for (const QByteArray &write : writes) {
        const QRegularExpressionMatch match = move.match(QString::fromLatin1(write));
        if (match.hasMatch())
            pulses.append(match.captured(1).toInt());
    }
    return pulses;
}

// The base may turn 1300..1700 µs, the shoulder 1200..1800, the gripper 1000..2000.
const QByteArray limitedArm = R"({"channels": {"5": {"min": 1300, "max": 1700}, "6": {"min": 1200, "max": 1800},
                                                "1": {"min": 1000, "max": 2000}}})";

// An arm bent at the elbow, reaching forward: room to steer every way.
const std::map<int, int> bentArm = {{5, 1500}, {6, 2000}, {4, 722}, {3, 1778}};

// The main window on an open fake port, in test time, cmd.txt holding two lines.
struct Session {
    explicit Session(const QByteArray &profile = {})
    {
        time.advance(90'000);
        WindowHarness::Options options;
        options.time = &time;
        options.sequenceFile = QByteArray("A\r\nB\r\n");
        h = profile.isEmpty() ? std::make_unique<WindowHarness>(std::move(options))
                              : std::make_unique<WindowHarness>(std::move(options), profile);
        h->connectTo(QStringLiteral("COM1"));
        if (!h->window().portIsOpen())
            qFatal("the fake port did not open");
    }

    QAction &action(const char *name)
    {
        auto *found = h->window().findChild<QAction *>(QLatin1String(name));
        if (!found)
            qFatal("no action %s", name);
        return *found;
    }
    Gamepad &pad() { return *h->window().findChild<Gamepad *>(QStringLiteral("gamepad")); }
    QTimer &padPoll() { return *h->window().findChild<QTimer *>(QStringLiteral("gamepadPoll")); }
    // Polls as the program's timer does, `ms` of test time.
    void poll(qint64 ms)
    {
        for (qint64 passed = 0; passed < ms; passed += Gamepad::pollIntervalMs) {
            time.advance(Gamepad::pollIntervalMs);
            pad().poll();
        }
    }
    // The pad just plugged in found, and its sticks at rest.
    void takeUpPad()
    {
        poll(2 * Gamepad::pollIntervalMs);
        if (!pad().attached() || pad().holding())
            qFatal("the pad was not taken up");
    }
    QString message() { return h->window().statusBar()->currentMessage(); }
    // 设置 → 运动… with the record interval set to `ms`, then OK or Cancel.
    void setRecordInterval(int ms, bool ok = true)
    {
        QTimer::singleShot(0, &h->window(), [this, ms, ok] {
            auto *dialog = h->window().findChild<QDialog *>(QStringLiteral("motionSettingsDialog"));
            if (!dialog)
                qFatal("运动… shows no dialog");
            dialog->findChild<QSpinBox *>(QStringLiteral("recordMs"))->setValue(ms);
            ok ? dialog->accept() : dialog->reject();
        });
        action("motionSettingsAction").trigger();
    }
    int recordInterval() { return h->window().findChild<PoseRecording *>()->intervalMs(); }
    workspace::ArmView &openArmView()
    {
        action("workspaceAction").trigger();
        auto *view = h->window().findChild<workspace::ArmView *>(QStringLiteral("armView"));
        if (!view || !QTest::qWaitForWindowExposed(view->window()))
            qFatal("no arm view shown");
        return *view;
    }
    QPointF tipOnScreen(const workspace::ArmView &view)
    {
        kinematics::JointPulses pulses{};
        const CurrentProfile &profile = h->engine().profile();
        for (int joint = 0; joint < arm::jointCount; ++joint)
            pulses[size_t(joint)] = h->engine().pose().pulse(profile.arm().channels[size_t(joint)]);
        return view.sidePoint(kinematics::forward(profile.arm(), pulses).joints[3]);
    }

    VirtualTime time;
    std::unique_ptr<WindowHarness> h;
};

} // namespace

Q_DECLARE_METATYPE(Act)
Q_DECLARE_METATYPE(pad::Axis)
Q_DECLARE_METATYPE(pad::Button)

// 录制, the game pad and the arm view's keys, through the main window on a
// fake port in test time; SDL's virtual pads stand in for the hardware.
class TestPuppeteer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY2(virtualpad::startSdl(), SDL_GetError()); }
    void cleanupTestCase() { virtualpad::stopSdl(); }

    // What the operator acts while 录制 is on goes in after the current line
    // when it is turned off: played from the pose at the start, every line
    // leaves the pose acted by its end. Esc drops it all.
    void recordsAsActed_data()
    {
        QTest::addColumn<int>("intervalMs");
        QTest::addColumn<Script>("script");
        QTest::addColumn<qint64>("stopMs");
        QTest::addColumn<std::set<int>>("channels"); // recorded; none: dropped

        const int standard = PoseRecorder::defaultIntervalMs;
        QTest::newRow("a slider drag") << standard << sliderDrag(7, 0, 1000, 1500, 1900) << qint64(1200)
                                       << std::set<int>{7};
        QTest::newRow("a pause") << standard
                                 << together(sliderDrag(7, 0, 500, 1500, 1800), sliderDrag(7, 2500, 3000, 1800, 1500))
                                 << qint64(3200) << std::set<int>{7};
        QTest::newRow("two joints") << standard
                                    << together(sliderDrag(5, 0, 800, 1500, 2000), sliderDrag(6, 400, 1200, 1500, 1000))
                                    << qint64(1300) << std::set<int>{5, 6};
        QTest::newRow("typed into a value box")
            << standard << Script{{150, Act::Kind::ValueBox, 9, 1700}, {620, Act::Kind::ValueBox, 9, 1300}}
            << qint64(700) << std::set<int>{9};
        QTest::newRow("the gripper dragged, through the solver")
            << standard << tipDrag(100, 40, -40, -30) << qint64(900) << std::set<int>{6, 4, 3};
        QTest::newRow("a 250 ms interval, set in 运动…")
            << 250 << sliderDrag(7, 0, 1000, 1500, 1900) << qint64(1100) << std::set<int>{7};
        QTest::newRow("Esc drops it") << standard
                                      << together(sliderDrag(7, 0, 600, 1500, 1900), Script{{700, Act::Kind::Esc}})
                                      << qint64(800) << std::set<int>{};
    }
    void recordsAsActed()
    {
        QFETCH(int, intervalMs);
        QFETCH(Script, script);
        QFETCH(qint64, stopMs);
        QFETCH(std::set<int>, channels);
        Session s;
        MainWindow &window = s.h->window();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        if (intervalMs != PoseRecorder::defaultIntervalMs)
            s.setRecordInterval(intervalMs);
        workspace::ArmView *view = nullptr;
        QPointF grabbedAt;
        if (std::any_of(script.begin(), script.end(), [](const Act &act) { return act.kind == Act::Kind::GrabTip; }))
            view = &s.openArmView();
        PoseDraft &pose = s.h->engine().pose();
        SequenceDocument &sequence = s.h->engine().sequence();
        const QString before = sequence.text();
        s.h->engine().cursor().setLine(0);
        auto &label = s.h->child<QLabel>(QStringLiteral("recordingLabel"));
        QVERIFY(label.isHidden());

        QAction &record = s.action("recordAction");
        record.trigger();
        QVERIFY(record.isChecked());
        QVERIFY(!label.isHidden());
        const qint64 startMs = s.time.nowMs();
        const poseline::Pose startPose = poseOf(pose);
        QList<QPair<qint64, poseline::Pose>> acted; // the pose after each act, from the start
        for (const Act &act : std::as_const(script)) {
            s.time.advance(startMs + act.atMs - s.time.nowMs());
            switch (act.kind) {
            case Act::Kind::Slider:
                s.h->slider(act.channel).setValue(act.value);
                break;
            case Act::Kind::ValueBox:
                s.h->valueBox(act.channel).setText(QString::number(act.value));
                break;
            case Act::Kind::GrabTip:
                grabbedAt = s.tipOnScreen(*view);
                QTest::mousePress(view, Qt::LeftButton, {}, grabbedAt.toPoint());
                break;
            case Act::Kind::MoveTip:
                QTest::mouseMove(view, (grabbedAt + QPointF(act.value, act.down)).toPoint());
                break;
            case Act::Kind::LetGo:
                QTest::mouseRelease(view, Qt::LeftButton, {}, (grabbedAt + QPointF(act.value, act.down)).toPoint());
                break;
            case Act::Kind::Esc:
                QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
                break;
            }
            acted.append({act.atMs, poseOf(pose)});
        }
        s.time.advance(startMs + stopMs - s.time.nowMs());
        if (record.isChecked())
            record.trigger();
        QVERIFY(!record.isChecked());
        QVERIFY(label.isHidden());

        if (channels.empty()) {
            QCOMPARE(sequence.text(), before);
            return;
        }
        // After the current line, selected, the current line on the first.
        const qsizetype count = sequence.lineCount() - 3;
        QVERIFY(count > 0);
        QCOMPARE(sequence.lineText(0), QStringLiteral("A"));
        QCOMPARE(sequence.lineText(count + 1), QStringLiteral("B"));
        QCOMPARE(s.h->engine().cursor().line(), qsizetype(1));
        QString lines;
        for (qsizetype line = 1; line <= count; ++line)
            lines += sequence.lineText(line) + u'\r';
        QCOMPARE(s.h->editor().selectedText(), lines);

        // Played back from the start pose, as acted at the end of each line.
        const auto firstMove =
            std::find_if(acted.begin(), acted.end(), [&](const auto &at) { return at.second != startPose; });
        QVERIFY(firstMove != acted.end());
        qint64 endMs = firstMove->first / intervalMs * intervalMs;
        poseline::Pose played = startPose;
        std::set<int> recorded;
        for (qsizetype line = 1; line <= count; ++line) {
            const poseline::LineMove move = poseline::read(sequence.lineText(line));
            QVERIFY2(move.playsAsWritten && move.interval, qPrintable(sequence.lineText(line)));
            for (const motion::Target &target : move.targets)
                recorded.insert(target.channel);
            played = poseline::apply(played, move);
            endMs += *move.interval;
            poseline::Pose actedThen = startPose;
            for (const auto &[atMs, pulses] : std::as_const(acted)) {
                if (atMs < endMs)
                    actedThen = pulses;
            }
            QVERIFY2(played == actedThen, qPrintable(QStringLiteral("line %1 (%2) ends at %3 ms off the acted pose")
                                                         .arg(line)
                                                         .arg(sequence.lineText(line))
                                                         .arg(endMs)));
        }
        QCOMPARE(played, acted.last().second);
        QCOMPARE(recorded, channels);
        // One undo takes them all out.
        sequence.undo();
        QCOMPARE(sequence.text(), before);
    }

    // Esc while recording drops it; while playback runs it stops playback
    // first, as it always has, and the recording goes on to the next Esc.
    // The record interval set in 运动… is kept in the settings for the next
    // start. Cancelled, nothing changes.
    void recordIntervalIsKept_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("interval");
        QTest::newRow("set") << true << 250;
        QTest::newRow("cancelled") << false << PoseRecorder::defaultIntervalMs;
    }
    void recordIntervalIsKept()
    {
        QFETCH(bool, ok);
        QFETCH(int, interval);
        Session s;
        QCOMPARE(s.recordInterval(), PoseRecorder::defaultIntervalMs);
        s.setRecordInterval(250, ok);
        QCOMPARE(s.recordInterval(), interval);
        // What the next start reads.
        QCOMPARE(MotionSettings::storedRecordMs(), interval);
    }

    void escapeKey_data()
    {
        QTest::addColumn<bool>("playing");
        QTest::newRow("recording") << false;
        QTest::newRow("recording while playing") << true;
    }
    void escapeKey()
    {
        QFETCH(bool, playing);
        Session s;
        MainWindow &window = s.h->window();
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const QString before = s.h->engine().sequence().text();
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(s.action("recordAction").isChecked());
        s.time.advance(50);
        s.h->slider(7).setValue(1650);
        s.time.advance(100);
        Playback &playback = s.h->engine().playback();
        if (playing) {
            playback.run();
            QCOMPARE(playback.state(), Playback::State::Running);
            QTest::keyClick(&window, Qt::Key_Escape);
            QCOMPARE(playback.state(), Playback::State::Stopped);
            QVERIFY(s.action("recordAction").isChecked());
        }
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!s.action("recordAction").isChecked());
        QCOMPARE(s.h->engine().sequence().text(), before);
        // Ctrl+R on and off again keeps what is recorded.
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        s.time.advance(50);
        s.h->slider(7).setValue(1500);
        s.time.advance(100);
        QTest::keyClick(&window, Qt::Key_R, Qt::ControlModifier);
        QVERIFY(!s.action("recordAction").isChecked());
        QCOMPARE(s.h->engine().sequence().lineCount(), 4);
        QVERIFY(s.h->engine().sequence().lineText(1).contains(QStringLiteral("#7P1500")));
    }

    // A stick or a trigger moves its joint as live moves, each within the
    // joint's limits, and the joint stops at the limit however long it is held.
    void padMovesItsJoint_data()
    {
        QTest::addColumn<pad::Axis>("axis");
        QTest::addColumn<double>("share");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("limit");
        QTest::newRow("left stick right: the base, clockwise") << pad::Axis::LeftX << 1.0 << 5 << 1300;
        QTest::newRow("left stick left, half over") << pad::Axis::LeftX << -0.6 << 5 << 1700;
        QTest::newRow("left stick up: the shoulder up") << pad::Axis::LeftY << -1.0 << 6 << 1800;
        QTest::newRow("right trigger: the gripper down") << pad::Axis::RightTrigger << 1.0 << 1 << 1000;
    }
    void padMovesItsJoint()
    {
        QFETCH(pad::Axis, axis);
        QFETCH(double, share);
        QFETCH(int, channel);
        QFETCH(int, limit);
        Session s(limitedArm);
        VirtualPad virtualPad("puppet");
        s.takeUpPad();
        s.h->fake().writes.clear();
        virtualPad.tilt(axis, share);
        s.poll(2000);
        virtualPad.tilt(axis, 0);
        s.poll(100);

        const QList<int> moves = movesOf(s.h->fake().writes, channel);
        QVERIFY(moves.size() > 2);
        QCOMPARE(moves.size(), s.h->fake().writes.size());
        const int way = limit > motion::restPulse ? 1 : -1;
        for (qsizetype n = 0; n < moves.size(); ++n) {
            const int from = n == 0 ? motion::restPulse : moves[n - 1];
            QVERIFY2((moves[n] - from) * way > 0, qPrintable(QStringLiteral("%1 after %2").arg(moves[n]).arg(from)));
            QVERIFY2((limit - moves[n]) * way >= 0, qPrintable(QString::number(moves[n])));
        }
        QCOMPARE(moves.last(), limit);
        QCOMPARE(s.h->slider(channel).value(), limit);
        QVERIFY(s.h->checkBox(channel).isChecked());
    }

    // The record button writes a pose line as 添加 does; the stop button is 急停.
    void padButtons_data()
    {
        QTest::addColumn<pad::Button>("button");
        QTest::newRow("A: a pose line") << pad::Button::A;
        QTest::newRow("B: the emergency stop") << pad::Button::B;
    }
    void padButtons()
    {
        QFETCH(pad::Button, button);
        Session s;
        VirtualPad virtualPad("puppet");
        s.takeUpPad();
        // The base on its way at the speed box's 300 µs/s, well behind the stick.
        virtualPad.tilt(pad::Axis::LeftX, 1.0);
        s.poll(200);
        virtualPad.tilt(pad::Axis::LeftX, 0);
        s.poll(Gamepad::pollIntervalMs);
        const QString line = s.h->engine().pose().line();
        const int lines = int(s.h->engine().sequence().lineCount());
        QSignalSpy stops(&s.action("emergencyStopAction"), &QAction::triggered);
        s.h->fake().writes.clear();

        virtualPad.setButton(button, true);
        s.poll(Gamepad::pollIntervalMs);
        virtualPad.setButton(button, false);
        s.poll(Gamepad::pollIntervalMs);

        const SequenceDocument &sequence = s.h->engine().sequence();
        if (button == pad::Button::A) {
            QCOMPARE(sequence.lineCount(), lines + 1);
            QCOMPARE(sequence.lineText(sequence.lineCount() - 2), line);
            QVERIFY(line.contains(QStringLiteral("#5P")));
            QCOMPARE(stops.size(), 0);
            return;
        }
        QCOMPARE(stops.size(), 1);
        QCOMPARE(sequence.lineCount(), lines);
        QCOMPARE(s.h->fake().writes.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^#5P\\d+\\r$"))
                     .match(QString::fromLatin1(s.h->fake().writes[0]))
                     .hasMatch(),
                 s.h->fake().writes[0].constData());
    }

    // A pad plugged in or pulled out is told on the status line; while one is
    // there it is polled at its pace, while none is only looked for now and then.
    void padPlugging_data()
    {
        QTest::addColumn<int>("plugs"); // plugged in, pulled out, plugged in, ... this many times
        QTest::newRow("plugged in") << 1;
        QTest::newRow("pulled out") << 2;
        QTest::newRow("plugged in again") << 3;
    }
    void padPlugging()
    {
        QFETCH(int, plugs);
        Session s;
        QCOMPARE(s.padPoll().interval(), PuppetControls::padLookMs);
        QVERIFY(s.padPoll().isActive());
        std::unique_ptr<VirtualPad> virtualPad;
        QStringList told;
        for (int plug = 0; plug < plugs; ++plug) {
            if (virtualPad)
                virtualPad.reset();
            else
                virtualPad = std::make_unique<VirtualPad>("puppet");
            s.poll(Gamepad::pollIntervalMs);
            told.append(s.message());
        }
        const bool attached = plugs % 2 == 1;
        QCOMPARE(s.pad().attached(), attached);
        QCOMPARE(s.padPoll().interval(), attached ? Gamepad::pollIntervalMs : PuppetControls::padLookMs);
        for (const QString &message : std::as_const(told))
            QVERIFY2(message.contains(u"puppet"), qPrintable(message));
        if (plugs > 1)
            QVERIFY(told[0] != told[1]);
    }

    // With the sticks switched to the tip, a stick steers the gripper's tip
    // through the solver along its axis; held past the arm's reach, the tip
    // stops there and the status line says why.
    void padSteersTheTip_data()
    {
        QTest::addColumn<pad::Axis>("axis");
        QTest::addColumn<double>("share");
        QTest::addColumn<qint64>("holdMs");
        QTest::addColumn<TipStep>("way"); // the sign of the move along each axis
        QTest::addColumn<bool>("refused");
        QTest::newRow("left stick up: away") << pad::Axis::LeftY << -0.5 << qint64(300) << TipStep{1, 0, 0, 0} << false;
        QTest::newRow("left stick right: towards -Y")
            << pad::Axis::LeftX << 0.5 << qint64(300) << TipStep{0, -1, 0, 0} << false;
        QTest::newRow("right stick up: up") << pad::Axis::RightY << -0.5 << qint64(300) << TipStep{0, 0, 1, 0} << false;
        QTest::newRow("left stick up, held beyond the reach")
            << pad::Axis::LeftY << -1.0 << qint64(4000) << TipStep{1, 0, 0, 0} << true;
    }
    void padSteersTheTip()
    {
        QFETCH(pad::Axis, axis);
        QFETCH(double, share);
        QFETCH(qint64, holdMs);
        QFETCH(TipStep, way);
        QFETCH(bool, refused);
        Session s;
        PoseDraft &pose = s.h->engine().pose();
        pose.show(bentArm, PoseDraft::Origin::Load);
        VirtualPad virtualPad("puppet");
        s.takeUpPad();
        virtualPad.setButton(pad::Button::LeftShoulder, true);
        s.poll(Gamepad::pollIntervalMs);
        virtualPad.setButton(pad::Button::LeftShoulder, false);
        QCOMPARE(s.pad().mode(), Gamepad::Mode::Tip);
        s.h->window().statusBar()->clearMessage();
        s.h->fake().writes.clear();
        const Tip start = tipOf(s.h->engine().profile(), pose);

        virtualPad.tilt(axis, share);
        s.poll(holdMs);
        virtualPad.tilt(axis, 0);
        s.poll(Gamepad::pollIntervalMs);
        const Tip end = tipOf(s.h->engine().profile(), pose);
        const double moved[] = {end.x - start.x, end.y - start.y, end.z - start.z, end.pitch - start.pitch};
        const double ways[] = {way.x, way.y, way.z, way.pitch};
        for (size_t along = 0; along < std::size(moved); ++along) {
            if (ways[along] == 0)
                QVERIFY2(std::abs(moved[along]) < 1,
                         qPrintable(QStringLiteral("%1 along %2").arg(moved[along]).arg(along)));
            else
                QVERIFY2(moved[along] * ways[along] > 5,
                         qPrintable(QStringLiteral("%1 along %2").arg(moved[along]).arg(along)));
        }
        QCOMPARE(s.h->fake().writes.isEmpty(), way.isNull());
        QCOMPARE(!s.message().isEmpty(), refused);
    }

    // With the arm view focused, the keys step the tip through the solver as
    // live moves; with Ctrl a key is left to the window.
    void keysMoveTheTip_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<TipStep>("step");
        const double mm = keypad::stepMm;
        QTest::newRow("Up: away") << int(Qt::Key_Up) << Qt::KeyboardModifiers() << TipStep{mm, 0, 0, 0};
        QTest::newRow("Shift+Up: further")
            << int(Qt::Key_Up) << Qt::KeyboardModifiers(Qt::ShiftModifier) << TipStep{mm * keypad::bigShift, 0, 0, 0};
        QTest::newRow("Right: towards -Y") << int(Qt::Key_Right) << Qt::KeyboardModifiers() << TipStep{0, -mm, 0, 0};
        QTest::newRow("Page Down: down") << int(Qt::Key_PageDown) << Qt::KeyboardModifiers() << TipStep{0, 0, -mm, 0};
        QTest::newRow("Home: the hand up")
            << int(Qt::Key_Home) << Qt::KeyboardModifiers() << TipStep{0, 0, 0, keypad::stepDegrees};
        QTest::newRow("Ctrl+Up: the window's")
            << int(Qt::Key_Up) << Qt::KeyboardModifiers(Qt::ControlModifier) << TipStep{};
    }
    void keysMoveTheTip()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(TipStep, step);
        Session s;
        PoseDraft &pose = s.h->engine().pose();
        pose.show(bentArm, PoseDraft::Origin::Load);
        workspace::ArmView &view = s.openArmView();
        view.setFocus();
        s.h->fake().writes.clear();
        const Tip start = tipOf(s.h->engine().profile(), pose);
        const int presses = 3;
        for (int n = 0; n < presses; ++n)
            QTest::keyClick(&view, Qt::Key(key), modifiers);
        const Tip end = tipOf(s.h->engine().profile(), pose);
        QVERIFY(std::abs(end.x - start.x - presses * step.x) < 0.5);
        QVERIFY(std::abs(end.y - start.y - presses * step.y) < 0.5);
        QVERIFY(std::abs(end.z - start.z - presses * step.z) < 0.5);
        QVERIFY(std::abs(end.pitch - start.pitch - presses * step.pitch) < 0.25);
        QCOMPARE(s.h->fake().writes.isEmpty(), step.isNull());
    }
};

SERVO_TEST_MAIN(TestPuppeteer)
#include "tst_puppeteer.moc"
