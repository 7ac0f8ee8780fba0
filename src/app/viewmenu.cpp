// SPDX-License-Identifier: MIT
#include "viewmenu.h"

#include "core/programsettings.h"
#include "engine/engine.h"

#include <QAction>
#include <QMenu>

namespace {

const QString followKey = QStringLiteral("view/slidersFollowArm");

} // namespace

ViewMenu::ViewMenu(QMenu &menu, Engine &engine) : QObject(&menu)
{
    m_workspace = menu.addAction(tr("动作工作台"));
    m_workspace->setObjectName(QStringLiteral("workspaceAction"));
    m_workspace->setShortcut(QKeySequence(Qt::Key_F2));
    connect(m_workspace, &QAction::triggered, this, &ViewMenu::workspaceAsked);

    m_slidersFollowArm = menu.addAction(tr("滑块跟随机械臂"));
    m_slidersFollowArm->setObjectName(QStringLiteral("slidersFollowArmAction"));
    m_slidersFollowArm->setCheckable(true);
    m_slidersFollowArm->setToolTip(
        tr("每播放一行、滑行、载入姿态或急停之后，通道滑块显示发给机械臂的位置（不再发送）"));
    const bool follows = programsettings::value(followKey).toBool();
    m_slidersFollowArm->setChecked(follows);
    engine.setPoseFollowsArm(follows);
    connect(m_slidersFollowArm, &QAction::toggled, &engine, [&engine](bool on) {
        engine.setPoseFollowsArm(on);
        programsettings::setValue(followKey, on);
    });
}
