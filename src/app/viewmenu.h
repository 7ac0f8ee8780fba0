// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class Engine;
class QAction;
class QMenu;

// The 视图 (view) menu: the workspace (F2), and 滑块跟随机械臂, which has the
// channel panel show what went out to the arm after each played line, glide,
// load and stop (off until the operator turns it on; remembered).
class ViewMenu final : public QObject
{
    Q_OBJECT

public:
    ViewMenu(QMenu &menu, Engine &engine);

    QAction *workspace() const { return m_workspace; }
    QAction *slidersFollowArm() const { return m_slidersFollowArm; }

Q_SIGNALS:
    void workspaceAsked();

private:
    QAction *m_workspace;
    QAction *m_slidersFollowArm;
};
