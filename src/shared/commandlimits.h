// SPDX-License-Identifier: MIT
#pragma once

// Holds every group of a command to its channel's limits: "#5P3000S100" with
// channel 5 limited to 900..2100 goes out as "#5P2100S100". Only the pulse's
// digits of such a group change; every other byte, and every group of a channel
// without limits, stays as it was.

#include "shared/channelsetup.h"

#include <QList>
#include <QString>

namespace commandlimits {

struct Clamp {
    int group;   // which group of the command, from 0, counting every '#'
    int channel; // the board channel
    int asked;   // the pulse the command carried (saturated at 1e9)
    int sent;    // the pulse within the limits
    friend bool operator==(const Clamp &, const Clamp &) = default;
};

struct Result {
    QString text;
    QList<Clamp> clamps;
};

Result clamp(const QString &command, const ChannelSetup &setup);

} // namespace commandlimits
