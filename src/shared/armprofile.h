// SPDX-License-Identifier: MIT
#pragma once

// The arm profile, arm.json beside the sequence: each channel's name, limits
// and home, and the arm's joint roles, calibration and link lengths (README
// "arm.json"). Every field is optional; what is missing keeps its default, and
// a missing file is the setup of a board as it comes. Widget-free: the console
// and the virtual board read it alike; the windows word its problems.

#include "shared/armgeometry.h"
#include "shared/channelsetup.h"
#include "shared/motion.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct ArmProfile {
    ChannelSetup channels;
    arm::ArmGeometry arm;
    friend bool operator==(const ArmProfile &, const ArmProfile &) = default;
};

namespace armprofile {

inline constexpr int version = 1;
inline constexpr int minPulse = motion::minPulse;
inline constexpr int maxPulse = motion::maxPulse;
// A larger file is not read: no profile is near it.
inline constexpr qint64 sizeLimit = 1024 * 1024;

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
        OutOfRange,     // a pulse outside 500..2500, a length not above 0, ...
        NoSuchChannel,  // a channel outside 0..31
        DuplicateJoint, // two joint roles on one channel
        MinAboveMax,
        OtherVersion, // read for what it has; not rewritten without asking
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
