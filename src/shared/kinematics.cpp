// SPDX-License-Identifier: MIT
#include "kinematics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace kinematics {

namespace {

constexpr double radiansPerDegree = std::numbers::pi / 180;

double radians(double degrees)
{
    return degrees * radiansPerDegree;
}

double degrees(double radians)
{
    return radians / radiansPerDegree;
}

double jointDegrees(const arm::ArmGeometry &geometry, const JointPulses &pulses, arm::Joint joint)
{
    return geometry.calibrationOf(joint).degrees(pulses[size_t(joint)]);
}

} // namespace

double wrapDegrees(double angle)
{
    angle = std::fmod(angle, 360.0);
    if (angle <= -180)
        angle += 360;
    else if (angle > 180)
        angle -= 360;
    return angle;
}

ArmPose forward(const arm::ArmGeometry &geometry, const JointPulses &pulses)
{
    using arm::Joint;
    const arm::Links &links = geometry.links;
    const double shoulder = jointDegrees(geometry, pulses, Joint::Shoulder);
    const double elbow = shoulder + jointDegrees(geometry, pulses, Joint::Elbow);
    const double hand = elbow + jointDegrees(geometry, pulses, Joint::Wrist);

    ArmPose pose;
    pose.baseTurn = jointDegrees(geometry, pulses, Joint::Base);
    pose.joints[0] = {0, links.baseHeight};
    const double lengths[] = {links.upperArm, links.forearm, links.hand};
    const double angles[] = {shoulder, elbow, hand};
    for (size_t i = 0; i < 3; ++i) {
        pose.joints[i + 1] = {pose.joints[i].r + lengths[i] * std::cos(radians(angles[i])),
                              pose.joints[i].z + lengths[i] * std::sin(radians(angles[i]))};
    }
    const PlanePoint tip = pose.joints[3];
    pose.tip = {tip.r * std::cos(radians(pose.baseTurn)), tip.r * std::sin(radians(pose.baseTurn)), tip.z,
                wrapDegrees(hand)};
    return pose;
}

namespace {

// Shoulder, elbow and wrist for the tip at `point` of the arm's plane with the
// hand at `pitch`, elbow up; or why there are none.
struct PlaneSolution {
    std::array<int, 3> pulses{};
    std::optional<Refusal> refusal;
};

PlaneSolution solvePlane(const arm::ArmGeometry &geometry, const JointLimits &limits, const PlanePoint &point,
                         double pitchDegrees)
{
    using arm::Joint;
    const arm::Links &links = geometry.links;
    const double pitch = radians(pitchDegrees);
    // The wrist's place relative to the shoulder, with the hand held at the pitch.
    const double wristR = point.r - links.hand * std::cos(pitch);
    const double wristZ = point.z - links.baseHeight - links.hand * std::sin(pitch);
    const double a = links.upperArm;
    const double b = links.forearm;
    const double distance = std::hypot(wristR, wristZ);
    constexpr double slack = 1e-9; // a target on the boundary itself is reached
    if (distance > a + b + slack || distance < std::abs(a - b) - slack || a <= 0 || b <= 0)
        return {{}, Refusal{Refusal::Reason::OutOfReach, Joint::Base, 0}};

    // Law of cosines; the elbow bends down from the upper arm (negative), which
    // puts the elbow above the line from the shoulder to the wrist.
    const double cosElbow = std::clamp((distance * distance - a * a - b * b) / (2 * a * b), -1.0, 1.0);
    const double elbow = -std::acos(cosElbow);
    const double shoulder = std::atan2(wristZ, wristR) - std::atan2(b * std::sin(elbow), a + b * std::cos(elbow));
    const double wrist = pitch - shoulder - elbow;

    const std::array<double, 3> angles{wrapDegrees(degrees(shoulder)), degrees(elbow), wrapDegrees(degrees(wrist))};
    PlaneSolution solution;
    for (size_t i = 0; i < angles.size(); ++i) {
        const auto joint = Joint(i + 1);
        const int pulse = int(std::lround(geometry.calibrationOf(joint).pulse(angles[i])));
        if (!limits[i + 1].contains(pulse))
            return {{}, Refusal{Refusal::Reason::PastLimit, joint, pulse}};
        solution.pulses[i] = pulse;
    }
    return solution;
}

// The chain for `point` at the pitch nearest `wanted` that solves, searched
// both ways round in small steps and then narrowed to its edge.
std::optional<std::array<int, 3>> solveNearestPitch(const arm::ArmGeometry &geometry, const JointLimits &limits,
                                                    const PlanePoint &point, double wanted)
{
    constexpr double step = 0.5;   // degrees: a band of pitches narrower than this may be missed
    constexpr int narrowings = 24; // halvings of the step at the edge found
    PlaneSolution solution = solvePlane(geometry, limits, point, wanted);
    if (!solution.refusal)
        return solution.pulses;
    for (double distance = step; distance <= 180 + step / 2; distance += step) {
        for (const double sign : {1.0, -1.0}) {
            solution = solvePlane(geometry, limits, point, wanted + sign * distance);
            if (solution.refusal)
                continue;
            double fails = distance - step;
            double works = distance;
            for (int i = 0; i < narrowings; ++i) {
                const double middle = (fails + works) / 2;
                const PlaneSolution tried = solvePlane(geometry, limits, point, wanted + sign * middle);
                if (tried.refusal) {
                    fails = middle;
                } else {
                    works = middle;
                    solution = tried;
                }
            }
            return solution.pulses;
        }
    }
    return std::nullopt;
}

// A joint's range in degrees, lower end first.
std::pair<double, double> degreeRange(const arm::ArmGeometry &geometry, const JointLimits &limits, arm::Joint joint)
{
    const arm::Calibration &calibration = geometry.calibrationOf(joint);
    const PulseRange &range = limits[size_t(joint)];
    return std::minmax(calibration.degrees(range.min), calibration.degrees(range.max));
}

int pulseWithin(const arm::ArmGeometry &geometry, const JointLimits &limits, arm::Joint joint, double angle)
{
    const PulseRange &range = limits[size_t(joint)];
    return std::clamp(int(std::lround(geometry.calibrationOf(joint).pulse(angle))), range.min, range.max);
}

// Shoulder, elbow and wrist within their ranges that bring the tip nearest
// `point` of the arm's plane, at any pitch: the best of a coarse grid over the
// three ranges, then a pattern search from it.
std::array<int, 3> nearestInPlane(const arm::ArmGeometry &geometry, const JointLimits &limits, const PlanePoint &point)
{
    using arm::Joint;
    const arm::Links &links = geometry.links;
    std::array<std::pair<double, double>, 3> ranges;
    for (size_t i = 0; i < 3; ++i)
        ranges[i] = degreeRange(geometry, limits, Joint(i + 1));
    const auto miss = [&](const std::array<double, 3> &angles) {
        const double upper = radians(angles[0]);
        const double fore = upper + radians(angles[1]);
        const double hand = fore + radians(angles[2]);
        const double r =
            links.upperArm * std::cos(upper) + links.forearm * std::cos(fore) + links.hand * std::cos(hand);
        const double z = links.baseHeight + links.upperArm * std::sin(upper) + links.forearm * std::sin(fore)
                         + links.hand * std::sin(hand);
        return std::hypot(r - point.r, z - point.z);
    };

    constexpr int divisions = 12;
    std::array<double, 3> best{};
    double bestMiss = std::numeric_limits<double>::infinity();
    std::array<double, 3> angles{};
    for (int i = 0; i <= divisions; ++i) {
        angles[0] = ranges[0].first + (ranges[0].second - ranges[0].first) * i / divisions;
        for (int j = 0; j <= divisions; ++j) {
            angles[1] = ranges[1].first + (ranges[1].second - ranges[1].first) * j / divisions;
            for (int k = 0; k <= divisions; ++k) {
                angles[2] = ranges[2].first + (ranges[2].second - ranges[2].first) * k / divisions;
                if (const double m = miss(angles); m < bestMiss) {
                    bestMiss = m;
                    best = angles;
                }
            }
        }
    }
    std::array<double, 3> steps;
    for (size_t i = 0; i < 3; ++i)
        steps[i] = (ranges[i].second - ranges[i].first) / divisions;
    constexpr double finest = 1e-3; // degrees
    while (*std::max_element(steps.begin(), steps.end()) > finest) {
        bool improved = false;
        for (size_t i = 0; i < 3; ++i) {
            for (const double sign : {1.0, -1.0}) {
                std::array<double, 3> tried = best;
                tried[i] = std::clamp(best[i] + sign * steps[i], ranges[i].first, ranges[i].second);
                if (const double m = miss(tried); m < bestMiss) {
                    bestMiss = m;
                    best = tried;
                    improved = true;
                }
            }
        }
        if (!improved) {
            for (double &s : steps)
                s /= 2;
        }
    }
    std::array<int, 3> pulses;
    for (size_t i = 0; i < 3; ++i)
        pulses[i] = pulseWithin(geometry, limits, Joint(i + 1), best[i]);
    return pulses;
}

Placement placement(const arm::ArmGeometry &geometry, int base, const std::array<int, 3> &chain)
{
    Placement placed{{base, chain[0], chain[1], chain[2]}, {}};
    placed.tip = forward(geometry, {double(base), double(chain[0]), double(chain[1]), double(chain[2]),
                                    motion::restPulse, motion::restPulse})
                     .tip;
    return placed;
}

// The base's pulse for `turn` degrees, or a whole turn more or less, within
// its range; none when no such turn is.
std::optional<int> basePulseFor(const arm::ArmGeometry &geometry, const JointLimits &limits, double turn)
{
    for (const double turns : {0.0, 360.0, -360.0}) {
        const int pulse = int(std::lround(geometry.calibrationOf(arm::Joint::Base).pulse(turn + turns)));
        if (limits[size_t(arm::Joint::Base)].contains(pulse))
            return pulse;
    }
    return std::nullopt;
}

// The base's turn within its range nearest `turn` (degrees, either way round).
double nearestBaseTurn(const arm::ArmGeometry &geometry, const JointLimits &limits, double turn)
{
    const auto [low, high] = degreeRange(geometry, limits, arm::Joint::Base);
    double best = low;
    for (const double turns : {0.0, 360.0, -360.0}) {
        const double within = std::clamp(turn + turns, low, high);
        if (std::abs(wrapDegrees(within - turn)) < std::abs(wrapDegrees(best - turn)))
            best = within;
    }
    return best;
}

} // namespace

Solution inverse(const arm::ArmGeometry &geometry, const JointLimits &limits, const Tip &target)
{
    const double r = std::hypot(target.x, target.y);
    const double base = r > 0 ? degrees(std::atan2(target.y, target.x)) : 0;
    const PlaneSolution plane = solvePlane(geometry, limits, {r, target.z}, target.pitch);
    if (plane.refusal && plane.refusal->reason == Refusal::Reason::OutOfReach)
        return {{}, plane.refusal};
    const int basePulse = int(std::lround(geometry.calibrationOf(arm::Joint::Base).pulse(base)));
    if (!limits[size_t(arm::Joint::Base)].contains(basePulse))
        return {{}, Refusal{Refusal::Reason::PastLimit, arm::Joint::Base, basePulse}};
    if (plane.refusal)
        return {{}, plane.refusal};
    return {{basePulse, plane.pulses[0], plane.pulses[1], plane.pulses[2]}, std::nullopt};
}

Reaching reach(const arm::ArmGeometry &geometry, const JointLimits &limits, const Tip &target)
{
    const double distance = std::hypot(target.x, target.y);
    const double towards = distance > 0 ? degrees(std::atan2(target.y, target.x)) : 0;
    // Towards the place, else away from it with the arm reaching back.
    const std::pair<double, double> ways[] = {{towards, distance}, {wrapDegrees(towards + 180), -distance}};
    Reaching reaching;
    for (const auto &[turn, r] : ways) {
        const std::optional<int> base = basePulseFor(geometry, limits, turn);
        if (!base)
            continue;
        if (const auto chain = solveNearestPitch(geometry, limits, {r, target.z}, target.pitch)) {
            reaching.placed = placement(geometry, *base, *chain);
            return reaching;
        }
    }
    reaching.refusal = inverse(geometry, limits, target).refusal.value_or(Refusal{});
    // The nearest place: in the plane of the base's turn nearest either way,
    // the place seen square from that plane.
    double nearestMiss = std::numeric_limits<double>::infinity();
    for (const auto &[turn, r] : ways) {
        const double baseTurn = nearestBaseTurn(geometry, limits, turn);
        const double off = radians(towards - baseTurn);
        const std::array<int, 3> chain = nearestInPlane(geometry, limits, {distance * std::cos(off), target.z});
        const Placement candidate =
            placement(geometry, pulseWithin(geometry, limits, arm::Joint::Base, baseTurn), chain);
        const double miss =
            std::hypot(candidate.tip.x - target.x, candidate.tip.y - target.y, candidate.tip.z - target.z);
        if (miss < nearestMiss) {
            nearestMiss = miss;
            reaching.nearest = candidate;
        }
    }
    return reaching;
}

Reaching reachInPlane(const arm::ArmGeometry &geometry, const JointLimits &limits, int basePulse,
                      const PlanePoint &target, double pitch)
{
    const PulseRange &baseRange = limits[size_t(arm::Joint::Base)];
    Reaching reaching;
    if (baseRange.contains(basePulse)) {
        if (const auto chain = solveNearestPitch(geometry, limits, target, pitch)) {
            reaching.placed = placement(geometry, basePulse, *chain);
            return reaching;
        }
        reaching.refusal = solvePlane(geometry, limits, target, pitch).refusal.value_or(Refusal{});
    } else {
        reaching.refusal = Refusal{Refusal::Reason::PastLimit, arm::Joint::Base, basePulse};
    }
    reaching.nearest = placement(geometry, std::clamp(basePulse, baseRange.min, baseRange.max),
                                 nearestInPlane(geometry, limits, target));
    return reaching;
}

} // namespace kinematics
