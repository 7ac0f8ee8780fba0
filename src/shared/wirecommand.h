// SPDX-License-Identifier: MIT
#pragma once

// The board's command language as the console reads and writes it:
//
//   command := group+ [T<time>]      ended by CR
//   group   := #<channel>P<pulse>[S<speed>]
//
// Read as the board reads it: channel 0..31 and pulse 500..2500 µs are carried
// out, a group outside them is not (its command's other groups still are); an
// S with no digits, or S0, sets no speed limit; letters are upper case only; a
// number of many digits saturates; blanks between groups, and any other text,
// are skipped. The twin, the line timing, the clamp, the glides and the
// journal all read commands here. (The virtual board keeps a reader of its own:
// it is the independent judge of what the console writes.)

#include "shared/motion.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace wirecommand {

// A number as it stands in its command: where its digits are, and its value.
struct Digits {
    qsizetype at = 0;
    qsizetype count = 0;
    int value = 0;
};

// One group with a channel, a P and a pulse, where it stands in its command.
struct Group {
    int index = 0;            // which '#' of the command it follows, from 0, counting every '#'
    int channel = 0;          // saturated at `saturation`
    int pulse = 0;            // saturated at `saturation`
    std::optional<int> speed; // none: no speed limit
    Digits pulseDigits;
    Digits speedDigits; // none (count 0) without a speed limit

    // Whether a board moves a servo for it.
    bool carriedOut() const;
    motion::Target target() const { return {channel, pulse, speed}; }
};

inline constexpr int saturation = 1'000'000'000;

struct Command {
    QList<Group> groups;       // in order, whether carried out or not
    std::optional<int> timeMs; // the last T<time>
    QList<Digits> times;       // every T<time>'s digits, in order

    // The groups a board carries out, in order.
    QList<motion::Target> targets() const;
};

// One command, without its line end (text after a CR is read on as more groups).
Command read(QStringView command);
Command read(QByteArrayView command);

// "#<channel>P<pulse>[S<speed>]" for each target, in the order given, then
// "T<time>" when there is one, and CR.
QString write(const QList<motion::Target> &targets, std::optional<int> timeMs = std::nullopt);

} // namespace wirecommand
