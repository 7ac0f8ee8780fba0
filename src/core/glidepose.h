// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <map>

class SequenceDocument;

// Gliding into a pose: one command that moves several channels together in a
// given time, so that a joint far from where playback starts does not slam
// there at the line's own speed.
namespace glidepose {

// Channel → pulse, in ascending channel order.
using Pose = std::map<int, int>;

// Puts into `pose` every group of `command` that a board carries out, later
// groups over earlier ones.
void follow(Pose &pose, QStringView command);

// The pose the lines before `line` (zero-based) of `document` leave, as
// playback would have sent them.
Pose before(const SequenceDocument &document, qsizetype line);

// "#<channel>P<pulse>" for each channel, then "T<ms>" (none when `ms` is 0)
// and CR.
QString command(const Pose &pose, int ms);

} // namespace glidepose
