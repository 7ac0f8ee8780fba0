// SPDX-License-Identifier: MIT
#pragma once

#include "shared/armgeometry.h"

#include <QMetaType>
#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <optional>

// How a game pad drives the arm: what each stick axis and trigger moves, which
// buttons act, the dead zone and the rates at full tilt. Kept in the program's
// settings under "gamepad/".
namespace pad {

// The pad's axes as a standard game controller names them.
enum class Axis { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger };
inline constexpr int axisCount = 6;

enum class Button {
    A,
    B,
    X,
    Y,
    Back,
    Start,
    LeftStick,
    RightStick,
    LeftShoulder,
    RightShoulder,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
};
inline constexpr int buttonCount = 14;

// What an axis moves while the sticks drive the gripper's tip.
enum class TipAxis { X, Y, Z, Pitch };
inline constexpr int tipAxisCount = 4;

// A stick pushed right or down, or a trigger pulled, reads positive; reversed
// turns that into a move the other way.
struct AxisBinding {
    std::optional<arm::Joint> joint; // while the sticks drive the joints
    bool jointReversed = false;
    std::optional<TipAxis> tip; // while they drive the tip; none: the joint above
    bool tipReversed = false;
    friend bool operator==(const AxisBinding &, const AxisBinding &) = default;
};

struct Settings {
    std::array<AxisBinding, axisCount> axes;
    Button record = Button::A;                // asks for a pose line
    Button stop = Button::B;                  // the emergency stop
    Button switchMode = Button::LeftShoulder; // joints ⇄ tip
    int deadZonePercent = 15;                 // of full deflection, on each axis
    int jointRate = 1000;                     // µs of pulse per second at full tilt
    int tipRate = 100;                        // mm per second at full tilt
    int pitchRate = 90;                       // degrees per second at full tilt

    // The three actions lie on three different buttons.
    bool buttonsDistinct() const { return record != stop && record != switchMode && stop != switchMode; }
    friend bool operator==(const Settings &, const Settings &) = default;
};

// The ranges the settings are held in.
inline constexpr int mostDeadZonePercent = 90;
inline constexpr int leastJointRate = 10;
inline constexpr int mostJointRate = 6000;
inline constexpr int leastTipRate = 1;
inline constexpr int mostTipRate = 500;
inline constexpr int leastPitchRate = 1;
inline constexpr int mostPitchRate = 360;

// The left stick turns the base and raises the shoulder, the right stick moves
// the elbow and the wrist, the left trigger drives the gripper's pulse up and
// the right one down. With the tip: the left stick moves it over the floor
// (up: away along X, right: towards -Y), the right stick up and down along Z
// and its pitch.
Settings defaults();

// The names the settings file and the game controller database use.
QString axisName(Axis axis);
QString buttonName(Button button);

// Reads the settings through `value` (a key under "gamepad/" to what is stored
// there, or an invalid QVariant): a key missing or unreadable keeps its
// default, and buttons that would share an action all keep theirs.
Settings read(const std::function<QVariant(const QString &)> &value);
// Stores every setting through `setValue`.
void write(const Settings &settings, const std::function<void(const QString &, const QVariant &)> &setValue);

} // namespace pad

Q_DECLARE_METATYPE(pad::Settings)
