// SPDX-License-Identifier: MIT
#include "armlink.h"

#include "channelpanel.h"
#include "link/serialport.h"
#include "profileui.h"
#include "workspace/armview.h"
#include "workspace/ikpanel.h"
#include "workspace/workspacewindow.h"

#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <chrono>
#include <thread>

namespace {

constexpr int refusalShownMs = 5000;

} // namespace

qint64 ArmLink::MonotonicClock::nowNs() const
{
    return SerialPort::steadyNowUs() * 1000;
}

void ArmLink::MonotonicClock::waitUntil(qint64 dueNs)
{
    std::this_thread::sleep_for(std::chrono::nanoseconds(dueNs - nowNs()));
}

ArmLink::ArmLink(WorkspaceWindow &workspace, SerialPort &port, ChannelPanel &channels, const CurrentProfile &profile,
                 QStatusBar &statusLine, const std::map<int, int> &standing)
    : QObject(&workspace),
      m_channels(channels),
      m_profile(profile),
      m_frameTimer(new QTimer(this)),
      m_frames(std::make_unique<QtPlaybackTimer>(*m_frameTimer))
{
    m_twin.standAt(standing);
    auto *arm = new QWidget;
    auto *layout = new QVBoxLayout(arm);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new workspace::ArmView(m_twin, m_clock, *m_frames);
    layout->addWidget(m_view, 1);
    layout->addWidget(new workspace::IkPanel(*m_view));
    workspace.addArmView(arm);
    m_panel = arm;

    connect(&port, &SerialPort::commandSent, this, [this](const QString &command, qint64 steadyUs) {
        m_twin.sent(command.toLatin1(), steadyUs);
        m_view->twinChanged();
    });
    for (int channel = 0; channel < ChannelSetup::count; ++channel)
        m_view->setTargetPulse(channel, channels.pulse(channel));
    connect(&channels, &ChannelPanel::channelMoved, this,
            [this](int channel) { m_view->setTargetPulse(channel, m_channels.pulse(channel)); });
    connect(m_view, &workspace::ArmView::poseRequested, this, [this](const QList<QPair<int, int>> &pulses) {
        QList<sequenceline::Channel> pose;
        for (const auto &[channel, pulse] : pulses)
            pose.append({channel, pulse});
        m_channels.showPose(pose);
    });
    connect(m_view, &workspace::ArmView::poseRefused, &statusLine, [this, &statusLine](const kinematics::Refusal &why) {
        const QString joint = m_profile.channels().describe(m_profile.arm().channel(why.joint));
        statusLine.showMessage(why.reason == kinematics::Refusal::Reason::OutOfReach
                                   ? tr("够不到那里：手臂的长度不够，或目标离肩部太近。")
                                   : tr("够不到那里：%1 需要 %2 µs，超出它的范围。").arg(joint).arg(why.pulse),
                               refusalShownMs);
    });
    connect(&profile, &CurrentProfile::changed, this, &ArmLink::followProfile);
    followProfile();
}

ArmLink::~ArmLink()
{
    // The view goes before what it refers to, whichever of the workspace's
    // children goes first.
    delete m_panel;
}

void ArmLink::followProfile()
{
    const ChannelSetup &channels = m_profile.channels();
    kinematics::JointLimits limits;
    for (int joint = 0; joint < arm::jointCount; ++joint) {
        const ChannelSetup::Channel &channel = channels.channel(m_profile.arm().channels[size_t(joint)]);
        limits[size_t(joint)] = {channel.minimumPulse, channel.maximumPulse};
    }
    m_view->setArm(m_profile.arm(), limits);
}
