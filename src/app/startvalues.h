// SPDX-License-Identifier: MIT
#pragma once

#include "core/poseline.h"
#include "shared/motion.h"

// The values the controls hold after start-up.
namespace startvalues {

// Every channel slider's value at creation, and defaultPulse: where Reset sends them.
inline constexpr int homePulse = motion::restPulse;
// Interval time in milliseconds: HScroll1, and so Text2.
inline constexpr int interval = 4800;
inline constexpr int intervalMinimum = poseline::leastInterval;
inline constexpr int intervalMaximum = poseline::mostInterval;
// The speed text sent after "S".
inline constexpr auto speed = u"300";

} // namespace startvalues
