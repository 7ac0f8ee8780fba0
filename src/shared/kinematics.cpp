// SPDX-License-Identifier: MIT
#include "kinematics.h"

#include <algorithm>
#include <cmath>
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

Solution inverse(const arm::ArmGeometry &geometry, const JointLimits &limits, const Tip &target)
{
    using arm::Joint;
    const arm::Links &links = geometry.links;
    const double pitch = radians(target.pitch);
    const double r = std::hypot(target.x, target.y);
    const double base = r > 0 ? degrees(std::atan2(target.y, target.x)) : 0;

    // The wrist's place relative to the shoulder, with the hand held at the pitch.
    const double wristR = r - links.hand * std::cos(pitch);
    const double wristZ = target.z - links.baseHeight - links.hand * std::sin(pitch);
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

    const std::array<double, 4> angles{base, wrapDegrees(degrees(shoulder)), degrees(elbow),
                                       wrapDegrees(degrees(wrist))};
    Solution solution;
    for (size_t i = 0; i < angles.size(); ++i) {
        const auto joint = Joint(i);
        const int pulse = int(std::lround(geometry.calibrationOf(joint).pulse(angles[i])));
        if (!limits[i].contains(pulse))
            return {{}, Refusal{Refusal::Reason::PastLimit, joint, pulse}};
        solution.pulses[i] = pulse;
    }
    return solution;
}

Reach reachAtPitch(const arm::Links &links, double pitch)
{
    return {{links.hand * std::cos(radians(pitch)), links.baseHeight + links.hand * std::sin(radians(pitch))},
            links.upperArm + links.forearm,
            std::abs(links.upperArm - links.forearm)};
}

} // namespace kinematics
