// SPDX-License-Identifier: MIT
#include "armlink.h"

#include "engine/engine.h"
#include "engine/tipsteering.h"
#include "workspace/armview.h"
#include "workspace/ikpanel.h"
#include "workspace/workspacewindow.h"

#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int refusalShownMs = 5000;

} // namespace

ArmLink::ArmLink(WorkspaceWindow &workspace, Engine &engine, QStatusBar &statusLine)
    : QObject(&workspace),
      m_engine(engine),
      m_frameTimer(new QTimer(this)),
      m_frames(std::make_unique<QtOneShotTimer>(*m_frameTimer))
{
    auto *arm = new QWidget;
    auto *layout = new QVBoxLayout(arm);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new workspace::ArmView(engine.twin(), engine.clock(), *m_frames);
    layout->addWidget(m_view, 1);
    layout->addWidget(new workspace::IkPanel(*m_view));
    workspace.addArmView(arm);
    m_panel = arm;

    connect(&engine, &Engine::twinMoved, m_view, &workspace::ArmView::twinChanged);
    PoseDraft &pose = engine.pose();
    for (int channel = 0; channel < motion::channelCount; ++channel)
        m_view->setTargetPulse(channel, pose.pulse(channel));
    connect(&pose, &PoseDraft::pulseChanged, m_view, &workspace::ArmView::setTargetPulse);
    connect(m_view, &workspace::ArmView::poseRequested, &pose, [&pose](const QList<QPair<int, int>> &pulses) {
        std::map<int, int> solved;
        for (const auto &[channel, pulse] : pulses)
            solved[channel] = pulse;
        pose.show(solved, PoseDraft::Origin::Solver);
    });
    connect(m_view, &workspace::ArmView::poseRefused, &statusLine, [this, &statusLine](const kinematics::Refusal &why) {
        statusLine.showMessage(refusalText(m_engine.profile(), why), refusalShownMs);
    });
    connect(&engine.profile(), &CurrentProfile::changed, this, &ArmLink::followProfile);
    followProfile();
}

ArmLink::~ArmLink()
{
    // The view goes before what it refers to, whichever of the workspace's
    // children goes first.
    delete m_panel;
}

QString ArmLink::refusalText(const CurrentProfile &profile, const kinematics::Refusal &why)
{
    const QString joint = profile.channels().describe(profile.arm().channel(why.joint));
    return why.reason == kinematics::Refusal::Reason::OutOfReach
               ? tr("够不到那里：手臂的长度不够，或目标离肩部太近。")
               : tr("够不到那里：%1 需要 %2 µs，超出它的范围。").arg(joint).arg(why.pulse);
}

void ArmLink::followProfile()
{
    m_view->setArm(m_engine.profile().arm(), jointLimits(m_engine.profile()));
}
