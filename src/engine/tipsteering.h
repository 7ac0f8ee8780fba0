// SPDX-License-Identifier: MIT
#pragma once

#include "input/tipstep.h"
#include "shared/kinematics.h"

#include <QObject>

#include <optional>

class CurrentProfile;
class PoseDraft;

// The pulses each joint of the profile's arm may take: its channel's limits.
kinematics::JointLimits jointLimits(const CurrentProfile &profile);

// The gripper's tip steered by steps (a pad's stick, a key): each step is added
// to where the tip of the pose being edited stands, and the arm is solved there
// with the profile's geometry and limits. A place solved goes out as the pad's
// live moves; a place with no pose moves nothing and refused() says why.
//
// Where the tip was last put is kept while the pose stays at the pulses solved
// for it: steps smaller than a pulse's worth add up instead of each being lost
// to rounding, and a long steer does not drift with the rounding either.
class TipSteering final : public QObject
{
    Q_OBJECT

public:
    // Both outlive the steering.
    TipSteering(PoseDraft &pose, const CurrentProfile &profile, QObject *parent = nullptr);

    // Where the tip of the pose being edited is taken to stand.
    kinematics::Tip tip() const;

public Q_SLOTS:
    // False when there is no pose at the place stepped to.
    bool step(const TipStep &step);

Q_SIGNALS:
    void refused(const kinematics::Refusal &refusal);

private:
    using ArmPulses = std::array<int, 4>; // base, shoulder, elbow, wrist

    ArmPulses armPulses() const;

    PoseDraft &m_pose;
    const CurrentProfile &m_profile;
    struct Kept {
        kinematics::Tip tip;
        ArmPulses pulses;
    };
    std::optional<Kept> m_kept;
};
