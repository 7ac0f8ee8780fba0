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
    auto *panel = new workspace::IkPanel(*m_view);
    layout->addWidget(panel);
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
    connect(m_view, &workspace::ArmView::poseRefused, this,
            [this, panel, &statusLine](const kinematics::Refusal &why, const kinematics::Tip &nearest) {
                const QString answer = answerText(why, nearest);
                panel->showAnswer(answer);
                statusLine.showMessage(answer, refusalShownMs);
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

QString ArmLink::answerText(const kinematics::Refusal &why, const kinematics::Tip &nearest) const
{
    return refusalText(m_engine.profile(), why) + QLatin1Char(' ')
           + tr("最近能到的点：X %1、Y %2、Z %3 mm，俯仰 %4°。")
                 .arg(nearest.x, 0, 'f', 1)
                 .arg(nearest.y, 0, 'f', 1)
                 .arg(nearest.z, 0, 'f', 1)
                 .arg(nearest.pitch, 0, 'f', 1);
}

void ArmLink::followProfile()
{
    m_view->setArm(m_engine.profile().arm(), jointLimits(m_engine.profile()));
}
