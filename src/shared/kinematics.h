// SPDX-License-Identifier: MIT
#pragma once

// Where the arm's gripper tip is for given joint pulses (forward), and which
// pulses put it at a given place (inverse, reach), in the convention of
// armgeometry.h. The inverse turns the base towards the target, then solves
// shoulder, elbow and wrist as a planar chain of three links with the hand's
// pitch given, always with the elbow up (above the line from the shoulder to
// the wrist). Reaching also lets the pitch go where the one asked for cannot
// reach, and finds the nearest place the arm can reach where none does.

#include "armgeometry.h"
#include "motion.h"

#include <array>
#include <optional>

namespace kinematics {

// Pulse widths (µs) in arm::Joint order.
using JointPulses = std::array<double, arm::jointCount>;

struct PulseRange {
    int min = motion::minPulse;
    int max = motion::maxPulse;
    bool contains(int pulse) const { return pulse >= min && pulse <= max; }
    friend bool operator==(const PulseRange &, const PulseRange &) = default;
};
using JointLimits = std::array<PulseRange, arm::jointCount>;

// A place for the tip: mm in the base's frame, pitch in degrees (0 horizontal,
// positive up).
struct Tip {
    double x = 0;
    double y = 0;
    double z = 0;
    double pitch = 0;
};

// A point in the arm's plane: r along the floor away from the base's axis, z up.
struct PlanePoint {
    double r = 0;
    double z = 0;
};

struct ArmPose {
    Tip tip;
    double baseTurn = 0; // degrees
    // Shoulder, elbow, wrist and tip in the arm's plane, for drawing.
    std::array<PlanePoint, 4> joints;
};

ArmPose forward(const arm::ArmGeometry &geometry, const JointPulses &pulses);

struct Refusal {
    enum class Reason {
        OutOfReach, // the wrist would be farther from (or nearer to) the shoulder than the links allow
        PastLimit,  // `joint` would need `pulse`, outside its range
    };
    Reason reason = Reason::OutOfReach;
    arm::Joint joint = arm::Joint::Base;
    int pulse = 0;
    friend bool operator==(const Refusal &, const Refusal &) = default;
};

// The pulses of base, shoulder, elbow and wrist, or why there are none.
struct Solution {
    std::array<int, 4> pulses{};
    std::optional<Refusal> refusal;
    bool solved() const { return !refusal; }
};

Solution inverse(const arm::ArmGeometry &geometry, const JointLimits &limits, const Tip &target);

// Pulses of base, shoulder, elbow and wrist, and the tip they put where.
struct Placement {
    std::array<int, 4> pulses{};
    Tip tip;
};

// What the arm can do for a wanted place of the tip.
struct Reaching {
    // The place reached, with the hand's pitch the nearest to the one asked
    // for that the joints allow; none when no pitch reaches the place.
    std::optional<Placement> placed;
    // When none: why the pitch asked for does not reach it, and the place
    // nearest to it that the arm reaches (at any pitch).
    Refusal refusal;
    Placement nearest;
};

// The tip at `target`'s place with the base turned towards it or, where only
// that is within the base's range, away from it (the arm reaching back over
// its top). The pitch stays as it is in the arm's plane, as forward() gives it.
Reaching reach(const arm::ArmGeometry &geometry, const JointLimits &limits, const Tip &target);

// The tip at `target` in the arm's plane with the base where `basePulse` puts
// it (dragging in the side view), the hand's pitch as near `pitch` as it goes.
Reaching reachInPlane(const arm::ArmGeometry &geometry, const JointLimits &limits, int basePulse,
                      const PlanePoint &target, double pitch);

// An angle in degrees brought into (-180, 180].
double wrapDegrees(double degrees);

} // namespace kinematics
