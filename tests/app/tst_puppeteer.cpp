// SPDX-License-Identifier: MIT
#include "core/poseline.h"
#include "engine/poserecording.h"
#include "sequence/sequenceeditor.h"
#include "shared/kinematics.h"
#include "workspace/armview.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "support/testmain.h"
#include "support/windowharness.h"

#include <cmath>
#include <memory>
#include <set>

namespace {

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

// 录制, through the main window on a fake port in test time.
class TestPuppeteer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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
        if (intervalMs != PoseRecorder::defaultIntervalMs) {
            QTimer::singleShot(0, &window, [&] {
                auto *dialog = window.findChild<QDialog *>(QStringLiteral("motionSettingsDialog"));
                QVERIFY(dialog);
                dialog->findChild<QSpinBox *>(QStringLiteral("recordMs"))->setValue(intervalMs);
                dialog->accept();
            });
            s.action("motionSettingsAction").trigger();
        }
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
};

SERVO_TEST_MAIN(TestPuppeteer)
#include "tst_puppeteer.moc"
