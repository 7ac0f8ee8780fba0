// SPDX-License-Identifier: MIT
#pragma once

#include "input/tipstep.h"

#include <Qt>

#include <optional>

// The keyboard as a pad for the gripper's tip: each key press (and each of
// its repeats while held) is one step.
//   Up / Down            away from the base along X / back
//   Left / Right         towards +Y / towards -Y
//   Page Up / Page Down  up / down along Z
//   Home / End           the hand's pitch up / down
// With Shift a step is bigShift times as long. With Ctrl, Alt or Meta a key is
// left to the window's shortcuts.
namespace keypad {

inline constexpr double stepMm = 2;
inline constexpr double stepDegrees = 2;
inline constexpr double bigShift = 5;

std::optional<TipStep> step(int key, Qt::KeyboardModifiers modifiers);

} // namespace keypad
