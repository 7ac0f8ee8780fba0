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

// "Time" and the interval field. The interval text is padded to five characters;
// a longer text cannot fit where playback reads it, so the interval in force
// (`intervalValue`, the slider's) is written instead.
QString timePrefix(const QString &intervalText, int intervalValue);

// A whole sequence line, without its CR.
QString build(const QString &intervalText, int intervalValue, const QList<Channel> &ticked,
              const QString &speed);

// What playback makes of a line (with its CR): the interval in milliseconds, or
// nothing when it does not fit 16 bits; the command, or nothing when the line is
// shorter than 10 characters.
struct Playback {
    std::optional<qint16> interval;
    std::optional<QString> command;
};

Playback readForPlayback(const QString &line);

} // namespace sequenceline
