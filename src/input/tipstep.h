// SPDX-License-Identifier: MIT
#pragma once

#include "shared/kinematics.h"

#include <QMetaType>

// How far the operator asks the gripper's tip to go at once: mm along the
// base's axes, degrees of the hand's pitch. Added to where the tip stands, it
// is the place to solve the arm for.
struct TipStep {
    double x = 0;
    double y = 0;
    double z = 0;
    double pitch = 0;

    bool isNull() const { return x == 0 && y == 0 && z == 0 && pitch == 0; }
    friend bool operator==(const TipStep &, const TipStep &) = default;
};
Q_DECLARE_METATYPE(TipStep)

inline kinematics::Tip operator+(kinematics::Tip tip, const TipStep &step)
{
    tip.x += step.x;
    tip.y += step.y;
    tip.z += step.z;
    tip.pitch += step.pitch;
    return tip;
}
