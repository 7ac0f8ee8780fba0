// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Playback at ×N plays the same animation N times faster: every wait is
// divided by N, and so is every T<time>, while every S<speed> is multiplied by
// N, so that a line that arrived in its interval at ×1 still arrives at ×N. A
// speed never goes past what a servo can do at most (motion::defaultTopRate);
// the timing check then tells of a line that cannot keep up. The sequence
// itself is untouched.
namespace playbackspeed {

// `ms` at ×`factor`, in whole milliseconds.
int scaledMs(int ms, double factor);

// `command` as it goes out at ×`factor`: the same text but for the digits of
// each S and T. S0, an empty S and a command without S or T stay as they are.
QString played(const QString &command, double factor);

} // namespace playbackspeed
