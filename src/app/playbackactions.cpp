// SPDX-License-Identifier: MIT
#include "playbackactions.h"

#include "engine/engine.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

PlaybackActions::PlaybackActions(Engine &engine, QMenu &menu) : QObject(&menu), m_playback(engine.playback())
{
    Playback &playback = m_playback;
    SequenceCursor &cursor = engine.cursor();
    const auto add = [&menu](const QString &text, const QKeySequence &shortcut, const char *name) {
        QAction *action = menu.addAction(text);
        action->setShortcut(shortcut);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    m_run = add(tr("运行"), QKeySequence(Qt::Key_F5), "runAction");
    m_runFromCaret = add(tr("从选中行运行"), QKeySequence(Qt::SHIFT | Qt::Key_F5), "runFromCaretAction");
    m_stop = add(tr("停止"), QKeySequence(Qt::Key_Escape), "stopAction");
    m_pause = add(tr("暂停"), QKeySequence(Qt::Key_F6), "pauseAction");
    m_step = add(tr("单步"), QKeySequence(Qt::Key_F10), "stepAction");
    menu.addSeparator();
    m_loop = add(tr("循环播放"), {}, "loopAction");
    m_loop->setCheckable(true);
    menu.addSeparator();
    m_home = add(tr("回到初始姿态"), QKeySequence(Qt::CTRL | Qt::Key_H), "homeAction");
    m_lastPose = add(tr("回到上次姿态"), {}, "lastPoseAction");
    followGlides(false, false);
    QMenu *speeds = menu.addMenu(tr("播放速度"));
    speeds->menuAction()->setObjectName(QStringLiteral("playbackSpeedAction"));
    auto *speedGroup = new QActionGroup(speeds);
    for (const double factor : {0.25, 0.5, 1.0, 2.0}) {
        QAction *speed = speeds->addAction(tr("×%1").arg(factor));
        speed->setCheckable(true);
        speed->setChecked(factor == 1.0);
        speed->setActionGroup(speedGroup);
        connect(speed, &QAction::triggered, &playback, [&playback, factor] { playback.setSpeed(factor); });
    }
    menu.addSeparator();
    m_emergencyStop = add(tr("急停"), QKeySequence(Qt::CTRL | Qt::Key_Period), "emergencyStopAction");
    m_emergencyStop->setShortcutContext(Qt::ApplicationShortcut);

    connect(m_run, &QAction::triggered, &playback, &Playback::run);
    connect(m_runFromCaret, &QAction::triggered, &playback, [&playback, &cursor] { playback.runFrom(cursor.line()); });
    connect(m_stop, &QAction::triggered, &playback, &Playback::stopAndDiscard);
    connect(m_emergencyStop, &QAction::triggered, this, [this, &engine] {
        engine.emergencyStop();
        Q_EMIT armHeld();
    });
    connect(m_home, &QAction::triggered, &engine, &Engine::glideHome);
    connect(m_lastPose, &QAction::triggered, &engine, &Engine::glideToLastPose);
    connect(m_pause, &QAction::triggered, &playback, [&playback] {
        if (playback.state() == Playback::State::Paused)
            playback.resume();
        else
            playback.pause();
    });
    connect(m_step, &QAction::triggered, &playback, [&playback, &engine, &cursor] {
        if (playback.state() == Playback::State::Paused) {
            playback.step();
            return;
        }
        // The current line; the next line is current then.
        const qsizetype line = cursor.line();
        if (playback.stepLine(line) && line + 1 < engine.sequence().lineCount())
            cursor.setLine(line + 1);
    });
    connect(m_loop, &QAction::toggled, &playback, &Playback::setLooping);

    connect(&playback, &Playback::statusChanged, this, &PlaybackActions::follow);
    follow();
}

void PlaybackActions::follow()
{
    const Playback::State state = m_playback.state();
    m_stop->setEnabled(state != Playback::State::Stopped);
    m_pause->setEnabled(state != Playback::State::Stopped);
    m_pause->setText(state == Playback::State::Paused ? tr("继续") : tr("暂停"));
    m_step->setEnabled(state != Playback::State::Running);
}

void PlaybackActions::followGlides(bool portOpen, bool lastPoseKnown)
{
    m_home->setEnabled(portOpen);
    m_lastPose->setEnabled(portOpen && lastPoseKnown);
}
