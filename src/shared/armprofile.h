// SPDX-License-Identifier: MIT
#pragma once

// The arm profile, arm.json beside the sequence: each channel's name, limits,
// home and easing, the arm's joint roles, calibration and link lengths, how a
// sequence's moves are eased, and the pins of an exported program (docs/reference.md,
// "arm.json"). Every field is optional; what is missing keeps its default, and
// a missing file is the setup of a board as it comes. Widget-free: the console
// and the virtual board read it alike; the windows word its problems.

#include "shared/armgeometry.h"
#include "shared/channelsetup.h"
#include "shared/easing.h"
#include "shared/motion.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>
#include <optional>

namespace armprofile {
// Board channel → Arduino pin: the first six columns' channels on the six PWM
// pins of an Uno.
std::map<int, int> defaultExportPins();
} // namespace armprofile

struct ArmProfile {
    // How the moves of a whole sequence are eased; a channel's own easing wins.
    struct Motion {
        easing::Curve easing = easing::Curve::Linear;
        int stepMs = easing::defaultStepMs;
        friend bool operator==(const Motion &, const Motion &) = default;
    };

    ChannelSetup channels;
    arm::ArmGeometry arm;
    Motion motion;
    // Board channel → Arduino pin, for the exported standalone program. Which
    // pins a board has and a pin used twice are the exporter's to refuse.
    std::map<int, int> exportPins = armprofile::defaultExportPins();

    // The channel's own easing, or else the sequence's.
    easing::Curve easingOf(int channel) const;

    friend bool operator==(const ArmProfile &, const ArmProfile &) = default;
};

namespace armprofile {

inline constexpr int version = 1;
inline constexpr int minPulse = motion::minPulse;
inline constexpr int maxPulse = motion::maxPulse;
// A larger file is not read: no profile is near it.
inline constexpr qint64 sizeLimit = 1024 * 1024;
// A joint's µs per degree, either way: at the least, the whole pulse range
// turns a joint no more than 2000° (under six turns); at the most, 20°.
inline constexpr double leastUsPerDegree = 1;
inline constexpr double mostUsPerDegree = 100;
// A link's length in mm: from a finger's width to an arm no desk holds.
inline constexpr double shortestLinkMm = 1;
inline constexpr double longestLinkMm = 5000;

// The joint roles as the file names them, in arm::Joint order.
QString roleName(arm::Joint joint);

// One thing that was wrong with a file. `field` names where ("channels.5.min",
// "arm.joints.elbow"); a file that is not JSON has `line` and `column` (from 1)
// instead; `detail` carries the parser's or the system's own words.
struct Problem {
    enum class Kind {
        NotJson,
        WrongType,      // e.g. a string where a number belongs
        UnknownKey,     // a key the profile does not have
        DuplicateKey,   // a key twice in one object: only the last was read
        OutOfRange,     // a pulse outside 500..2500, a length under 1 mm, ...
        NoSuchChannel,  // a channel outside 0..31
        DuplicateJoint, // two joint roles on one channel
        MinAboveMax,
        HomeOutsideLimits, // `detail`: "2200 ∉ 900..2100"
        UnknownEasing,     // `detail`: the name given
        OtherVersion,      // read for what it has; not rewritten without asking
        TooLarge,
        NotAFile,
        Unreadable,
    };
    Kind kind;
    QString field;
    int line = 0;
    int column = 0;
    QString detail;
    friend bool operator==(const Problem &, const Problem &) = default;
};

struct Reading {
    ArmProfile profile;      // what could be read; the rest at its defaults
    bool found = false;      // a file is there (whether or not it was read)
    QList<Problem> problems; // empty: the file is exactly what was read
};

// Reads the bytes of a profile.
Reading parse(const QByteArray &bytes);
// Reads the file at `path`; a missing file is no problem and gives the defaults.
Reading read(const QString &path);

// The profile as the file holds it: only what differs from a board as it comes,
// besides the version and the arm's joints and links, which are always written.
QByteArray toJson(const ArmProfile &profile);
// Writes `path` whole or not at all (the old file stays on any failure); the
// system's reason on failure.
std::optional<QString> write(const QString &path, const ArmProfile &profile);

// The profile that travels with a sequence file: arm.json beside cmd.txt,
// <name>.arm.json beside any other <name>.txt.
QString pathFor(const QString &sequencePath);

} // namespace armprofile
