// SPDX-License-Identifier: MIT
#pragma once

// The board's command language, as the board reads it off the line:
//
//   command := group+ [T<time>]      ended by CR, LF or CR LF
//   group   := #<channel>P<pulse>[S<speed>]
//
// channel 0..31, pulse 500..2500 µs, speed in µs of pulse width per second,
// time in ms for the whole move (all channels of the command arrive together).
// Blanks between groups are allowed. What the board cannot use is flagged and
// left out; the usable groups of the same line still move.

#include "shared/motion.h"

#include <QByteArray>
#include <QFlags>
#include <QList>
#include <QStringList>

#include <optional>

namespace boardcommand {

constexpr int channelCount = motion::channelCount;
constexpr int minPulse = motion::minPulse;
constexpr int maxPulse = motion::maxPulse;
// A line that has not ended after this many bytes is dropped.
constexpr qsizetype maxLineLength = 1024;

enum class Flag {
    UnknownChannel = 0x001,  // channel outside 0..31, or # without a number
    PulseOutOfRange = 0x002, // pulse outside 500..2500
    MissingPulse = 0x004,    // a group without P<pulse>
    EmptySpeed = 0x008,      // S without digits: taken as no speed limit
    EmptyTime = 0x010,       // T without digits: ignored
    Junk = 0x020,            // a character that belongs nowhere
    Overlong = 0x040,        // no line end within maxLineLength bytes: dropped
    NulByte = 0x080,
    NonAscii = 0x100,
};
Q_DECLARE_FLAGS(Flags, Flag)

// A group is what the motion model carries out for one channel.
using Group = motion::Target;

struct Command {
    QByteArray raw;      // the line without its end
    QList<Group> groups; // the groups the board carries out
    std::optional<int> timeMs;
    Flags flags;
};

// Reads one line (without its end). Pure.
Command parse(const QByteArray &line);

// A command for a line that was dropped for being too long; `raw` holds its start.
Command overlong(const QByteArray &start);

// The flags' short names, for traces ("unknown-channel", ...), in flag order.
QStringList flagNames(Flags flags);

// Splits the byte stream into lines. CR, LF and CR LF all end a line; empty
// lines are skipped. A line longer than maxLineLength is reported once as soon
// as it passes the limit, and the rest of it up to its end is discarded, so
// memory stays bounded whatever arrives.
class LineSplitter
{
public:
    // Feeds bytes; calls `onLine(Command)` for each complete (or overlong) line.
    template <typename OnLine>
    void feed(const char *data, qsizetype size, OnLine onLine)
    {
        for (qsizetype i = 0; i < size; ++i) {
            if (std::optional<Command> command = take(data[i]))
                onLine(std::move(*command));
        }
    }

    qsizetype pending() const { return m_line.size(); }

private:
    std::optional<Command> take(char byte);

    QByteArray m_line;
    bool m_discarding = false;
};

} // namespace boardcommand

Q_DECLARE_OPERATORS_FOR_FLAGS(boardcommand::Flags)
