// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QString>

#include <optional>

// The text that goes to the board and into the sequence.
//
// A move command is "#", channel, "P", pulse, "S", speed text, CR. A sequence
// line is "Time", the interval time in a field of five characters and one blank,
// then one such group (without its CR) per ticked channel, then CR:
//   "Time4800  #0P1500S300#5P2500S300\r"
// Playback reads the interval from characters 5 to 9 and sends from character 11,
// CR included.
namespace sequenceline {

struct Channel {
    int index;
    int pulse;
};

QString channelGroup(const Channel &channel, const QString &speed);
QString moveCommand(const Channel &channel, const QString &speed);

// "Time" and the interval field: the digits of the interval in force (the
// slider's value), padded to five characters. The interval box's text is not
// written itself: when it is exactly those digits it makes no difference, and
// any other text ("5,000", "1e3", "0.4", an empty box) would play back as a
// different interval than the one the operator saw in force.
QString timePrefix(int interval);

// A whole sequence line, without its CR.
QString build(int interval, const QList<Channel> &ticked, const QString &speed);

// What playback makes of a line (with its CR): the interval in milliseconds, or
// nothing when it does not fit 16 bits; the command, or nothing when the line is
// shorter than 10 characters. The command always ends in a CR: a last line
// typed without its line break gets one, so the board acts on it and the next
// command is not glued to it.
struct Playback {
    std::optional<qint16> interval;
    std::optional<QString> command;
};

Playback readForPlayback(const QString &line);

} // namespace sequenceline
