// SPDX-License-Identifier: MIT
#pragma once

#include "input/tipstep.h"

#include <QObject>
#include <QPointer>

class Engine;
class Gamepad;
class GamepadDialog;
class QAction;
class QMenu;
class QStatusBar;
class QTimer;
class QWidget;
class TipSteering;

// The puppeteer's controls wired to the engine: the program's one game pad,
// polled on the GUI thread, and the gripper's tip steered by the pad's sticks
// and by the arm view's keys.
//   - a joint the pad moves: a live move of the pose being edited, its channel
//     ticked as the solver ticks the joints it moves, so a line recorded then
//     holds it;
//   - a tip step: solved from where the tip stands, then the same live moves;
//   - the record button asks for a line (the window's 添加), the stop button
//     triggers the emergency stop;
//   - a pad plugged in or pulled out, the sticks switched between the joints
//     and the tip, a place out of reach: told on the status line.
// 设置 → 手柄… opens the pad's settings. With no pad, or with SDL unable to
// start, the rest of the program runs as it does without.
class PuppetControls final : public QObject
{
    Q_OBJECT

public:
    // How often a pad is looked for while none is plugged in.
    static constexpr int padLookMs = 250;

    // All outlive the controls.
    PuppetControls(Engine &engine, QMenu &settingsMenu, QStatusBar &statusLine, QAction &emergencyStop,
                   QWidget &window);
    ~PuppetControls() override;

    Gamepad &gamepad() { return *m_gamepad; }

public Q_SLOTS:
    // A step of the tip from the keyboard (the arm view's keys).
    void stepTip(const TipStep &step);

Q_SIGNALS:
    // The pad's record button: a line of the pose, as 添加 writes it.
    void lineAsked();

private:
    void followProfile();
    void openDialog();
    void note(const QString &text);

    Engine &m_engine;
    QStatusBar &m_statusLine;
    QWidget &m_window;
    Gamepad *m_gamepad;
    QTimer *m_poll;
    TipSteering *m_steering;
    QPointer<GamepadDialog> m_dialog;
};
