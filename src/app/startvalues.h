// SPDX-License-Identifier: MIT
#pragma once

// The values the controls hold after start-up.
namespace startvalues {

// Every channel slider's value at creation, and defaultPulse: where Reset sends them.
inline constexpr int homePulse = 1500;
// Interval time in milliseconds: HScroll1, and so Text2.
inline constexpr int interval = 4800;
inline constexpr int intervalMinimum = 100;
inline constexpr int intervalMaximum = 10000;
// The speed text sent after "S".
inline constexpr auto speed = u"300";

} // namespace startvalues
