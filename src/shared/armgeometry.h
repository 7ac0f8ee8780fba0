// SPDX-License-Identifier: MIT
#pragma once

// The arm as the profile describes it: which board channel each of the six
// joints is on, how a joint's pulse width turns into an angle, and the lengths
// of the links. The arm views, posing by the gripper and the virtual board read
// it; the profile file fills it (every field has the default below).
//
// The convention, in the base's frame (mm, degrees):
//   - a joint's angle is (pulse - zeroPulse) / usPerDegree;
//   - the base turns about the vertical axis: 0 facing +X, positive
//     counter-clockwise seen from above (towards +Y);
//   - the shoulder's angle is measured from the horizontal, positive up; the
//     elbow's and the wrist's from the link before them, positive up; the
//     hand's pitch is shoulder + elbow + wrist;
//   - the wrist turn and the gripper do not move the tip.

#include <array>
#include <cstddef>

namespace arm {

enum class Joint { Base, Shoulder, Elbow, Wrist, WristTurn, Gripper };
constexpr int jointCount = 6;

struct Calibration {
    double zeroPulse = 1500;           // the pulse at which the joint stands at 0°
    double usPerDegree = 2000.0 / 180; // may be negative: the joint turns the other way

    double degrees(double pulse) const { return (pulse - zeroPulse) / usPerDegree; }
    double pulse(double degrees) const { return zeroPulse + degrees * usPerDegree; }
    friend bool operator==(const Calibration &, const Calibration &) = default;
};

struct Links {
    double baseHeight = 70; // from the table to the shoulder's axis
    double upperArm = 105;  // shoulder to elbow
    double forearm = 98;    // elbow to wrist
    double hand = 150;      // wrist to the gripper's tip
    friend bool operator==(const Links &, const Links &) = default;
};

struct ArmGeometry {
    // The board channel of each joint, in Joint order: the first six columns.
    std::array<int, jointCount> channels{5, 6, 4, 3, 2, 1};
    // At 1500 µs the arm stands ready in the middle of every range, as such arms
    // are built: the upper arm straight up (the shoulder turns from level ahead
    // at 500 µs to level behind at 2500 µs), the forearm level ahead (the elbow
    // bends from folded at 500 µs to straight at 2500 µs), the hand in line
    // with it. The tip can then go anywhere above the table within the links.
    std::array<Calibration, jointCount> calibration{Calibration{}, Calibration{500}, Calibration{2500},
                                                    Calibration{}, Calibration{},    Calibration{}};
    Links links;

    int channel(Joint joint) const { return channels[std::size_t(joint)]; }
    const Calibration &calibrationOf(Joint joint) const { return calibration[std::size_t(joint)]; }
    friend bool operator==(const ArmGeometry &, const ArmGeometry &) = default;
};

} // namespace arm
