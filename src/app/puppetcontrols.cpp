// SPDX-License-Identifier: MIT
#include "puppetcontrols.h"

#include "app/armlink.h"
#include "app/gamepaddialog.h"
#include "engine/engine.h"
#include "engine/tipsteering.h"
#include "input/gamepad.h"

#include <QAction>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

namespace {

constexpr int noteMs = 5000;

} // namespace

PuppetControls::PuppetControls(Engine &engine, QMenu &settingsMenu, QStatusBar &statusLine, QAction &emergencyStop,
                               QWidget &window)
    : QObject(&window),
      m_engine(engine),
      m_statusLine(statusLine),
      m_window(window),
      m_gamepad(new Gamepad([&clock = engine.clock()] { return clock.nowNs() / 1'000'000; }, this)),
      m_poll(new QTimer(this)),
      m_steering(new TipSteering(engine.pose(), engine.profile(), this))
{
    m_gamepad->setObjectName(QStringLiteral("gamepad"));
    m_poll->setObjectName(QStringLiteral("gamepadPoll"));
    QAction *settings = settingsMenu.addAction(tr("手柄…"));
    settings->setObjectName(QStringLiteral("gamepadAction"));
    connect(settings, &QAction::triggered, this, &PuppetControls::openDialog);

    m_gamepad->setSettings(GamepadDialog::stored());
    PoseDraft &pose = engine.pose();
    followProfile();
    connect(&engine.profile(), &CurrentProfile::changed, this, &PuppetControls::followProfile);
    connect(&pose, &PoseDraft::pulseChanged, m_gamepad, &Gamepad::follow);
    connect(m_gamepad, &Gamepad::moveRequested, &pose, [&pose](int channel, int pulse) {
        pose.setTicked(channel, true);
        pose.move(channel, pulse, PoseDraft::Origin::Gamepad);
    });
    connect(m_gamepad, &Gamepad::tipMoveRequested, m_steering, &TipSteering::step);
    connect(m_gamepad, &Gamepad::recordRequested, this, &PuppetControls::lineAsked);
    connect(m_gamepad, &Gamepad::stopRequested, &emergencyStop, &QAction::trigger);
    connect(m_steering, &TipSteering::refused, this,
            [this](const kinematics::Refusal &why) { note(ArmLink::refusalText(m_engine.profile(), why)); });

    connect(m_gamepad, &Gamepad::padAttached, this, [this](const QString &name) {
        m_poll->setInterval(Gamepad::pollIntervalMs);
        note(tr("手柄已连接：%1").arg(name));
    });
    connect(m_gamepad, &Gamepad::padDetached, this, [this](const QString &name) {
        m_poll->setInterval(padLookMs);
        note(tr("手柄已拔出：%1").arg(name));
    });
    connect(m_gamepad, &Gamepad::modeChanged, this, [this](Gamepad::Mode mode) {
        note(mode == Gamepad::Mode::Tip ? tr("手柄的摇杆现在移动夹爪末端") : tr("手柄的摇杆现在移动各个关节"));
    });
    if (!m_gamepad->started()) {
        note(tr("无法使用手柄：%1").arg(m_gamepad->startProblem()));
        return;
    }
    connect(m_poll, &QTimer::timeout, m_gamepad, &Gamepad::poll);
    m_poll->start(padLookMs);
}

PuppetControls::~PuppetControls() = default;

void PuppetControls::stepTip(const TipStep &step)
{
    m_steering->step(step);
}

void PuppetControls::followProfile()
{
    const CurrentProfile &profile = m_engine.profile();
    m_gamepad->setArm(profile.arm(), jointLimits(profile));
    for (const int channel : profile.arm().channels)
        m_gamepad->follow(channel, m_engine.pose().pulse(channel));
}

void PuppetControls::openDialog()
{
    if (!m_dialog) {
        m_dialog = new GamepadDialog(&m_window);
        connect(m_dialog, &GamepadDialog::settingsChanged, m_gamepad, &Gamepad::setSettings);
    }
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void PuppetControls::note(const QString &text)
{
    m_statusLine.showMessage(text, noteMs);
}
