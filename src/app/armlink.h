// SPDX-License-Identifier: MIT
#pragma once

#include "core/clock.h"
#include "shared/kinematics.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CurrentProfile;
class Engine;
class QStatusBar;
class QTimer;
class WorkspaceWindow;

namespace kinematics {
struct Refusal;
}
namespace workspace {
class ArmView;
}

// The workspace's arm, tied to the engine: the solid arm is the engine's twin
// (what left for the port, as the board carries it out), the faint arm the
// pose being edited, both with the profile's geometry and limits; a pose
// solved from the gripper moves the pose being edited, which sends it.
class ArmLink final : public QObject
{
    Q_OBJECT

public:
    ArmLink(WorkspaceWindow &workspace, Engine &engine, QStatusBar &statusLine);
    ~ArmLink() override;

    // Why the gripper cannot go there, in the operator's words.
    static QString refusalText(const CurrentProfile &profile, const kinematics::Refusal &why);

private:
    void followProfile();
    // Why a place was refused, and the nearest one the arm reaches.
    QString answerText(const kinematics::Refusal &why, const kinematics::Tip &nearest) const;

    Engine &m_engine;
    QTimer *m_frameTimer;
    std::unique_ptr<QtOneShotTimer> m_frames;
    workspace::ArmView *m_view;
    // The view and its fields; they refer to the twin, the clock and the frames.
    QPointer<QWidget> m_panel;
};
