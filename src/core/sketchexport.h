// SPDX-License-Identifier: MIT
#pragma once

// A sequence exported as a program an Arduino Uno plays on its own: a sketch
// folder for the Arduino IDE (or avr-gcc), built from the Arduino AVR core
// alone. The program plays the sequence as playback sends it to a board: each
// line's command held to the channels' limits, read as the board reads it,
// then the line's interval; a line playback would not send is not carried
// out, an interval of 0 ends playback, a negative or unreadable one keeps the
// period in force. Each servo follows its easing curve. At power-up every
// servo holds its home for the glide time, then all glide into the first
// line's pose in the glide time, and the first line follows.
//
// The sequence is a table in program memory, a few bytes per servo a line
// names (firmware/sequence-player/sequence_format.h); the player's code is
// firmware/sequence-player, the pulses and the motion are servo-uno's own.

#include "shared/armprofile.h"
#include "shared/channelsetup.h"
#include "shared/easing.h"
#include "shared/motion.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <array>
#include <map>
#include <optional>
#include <variant>

namespace sketchexport {

// The pins a servo may use: digital 2..13 (0 and 1 carry the USB serial line)
// and A0..A5, given as 14..19.
inline constexpr int firstPin = 2;
inline constexpr int lastPin = 19;
inline constexpr int firstAnalogPin = 14;
inline constexpr int maxServos = 12;
// What an Uno has: 32 KB of program memory less the 0.5 KB boot loader, 2 KB of RAM.
inline constexpr qint64 flashBytes = 32 * 1024 - 512;
inline constexpr qint64 ramBytes = 2 * 1024;
inline constexpr int defaultGlideMs = 1500;

using Curves = std::array<easing::Curve, motion::channelCount>;
using Pins = std::map<int, int>; // board channel → pin

struct Input {
    QString sequence; // the document's text; CR, LF and CR LF end lines
    ChannelSetup setup;
    Curves curves{}; // all linear
    Pins pins;       // for every channel the sequence moves
    bool looping = false;
    int glideMs = defaultGlideMs;
};

struct Size {
    qint64 flash = 0;
    qint64 ram = 0;
    friend bool operator==(const Size &, const Size &) = default;
};

// One group of a line as the program carries it out.
struct Group {
    int slot = 0;          // the servo: the index of its channel in Plan::channels
    int pulse = 0;         // held to the limits
    int speed = 0;         // µs/s; 0: no limit
    bool replaced = false; // a later group of the line names the servo: holds the line's T only
    friend bool operator==(const Group &, const Group &) = default;
};

// One line of the sequence as the program carries it out.
struct Step {
    QList<Group> groups;
    std::optional<int> timeMs;
    int waitMs = 0; // until the next line; 0: the period in force
    bool stops = false;
    friend bool operator==(const Step &, const Step &) = default;
};

struct Plan {
    QList<int> channels; // of the servos, ascending: the slots
    QList<int> pins;     // of the slots
    QList<int> homes;
    QList<easing::Curve> curves;
    Step glide; // into the first line's pose, at power-up
    QList<Step> steps;
};

struct Refusal {
    enum class Kind {
        NothingToPlay,     // no line moves a servo
        TooManyChannels,   // `channels`: every channel the sequence moves
        ChannelWithoutPin, // `channels`: those the pins leave out
        NoSuchPin,         // `pin` of `channels`
        PinTwice,          // `pin`, for `channels`
        LineTooLong,       // `line` (from 0) names servos more often than a line of the table holds
        TooLarge,          // `size`, `linesThatFit`
    };
    Kind kind = Kind::NothingToPlay;
    QList<int> channels = {};
    int pin = 0;
    qsizetype line = 0;
    Size size = {};
    qsizetype linesThatFit = 0;
    friend bool operator==(const Refusal &, const Refusal &) = default;
};

// The sequence as the program will play it, or why it cannot.
std::variant<Plan, Refusal> plan(const Input &input);

struct Sketch {
    Plan plan;
    Size size; // an upper bound of what avr-gcc makes of it
    // File name → content, the sketch named after its folder.
    QMap<QString, QByteArray> files;
};

// In the operator's language: why, and what was made (its pins and sizes).
QString describe(const Refusal &refusal);
QString describe(const Sketch &sketch, const QString &folder);
// "3", or "A0" for 14.
QString pinName(int pin);

// The sketch for the folder `name`, or why it cannot be made.
std::variant<Sketch, Refusal> make(const Input &input, const QString &name);

// Writes the sketch's files into `folder`, made when missing; the reason on failure.
std::optional<QString> write(const QString &folder, const Sketch &sketch);

// The bytes a plan takes in program memory beside the player's code: each
// line, the glide, the curves and each servo's pin, home and curve.
qint64 tableBytes(const Plan &plan);
qint64 lineBytes(const Step &step);
// What the program takes in all.
Size sizeOf(const Plan &plan);

// The channels the sequence moves, ascending.
QList<int> channelsMoved(const QString &sequence, const ChannelSetup &setup);

// Pins for `channels`: each on its pin in `given` (the profile's export pins),
// every other channel on the next pin left, from 2 up.
Pins pinsFor(const Pins &given, const QList<int> &channels);

// What the export of `sequence` takes from the profile: the limits and homes,
// each channel's curve, the pins (pinsFor the profile's export pins).
Input inputFor(const ArmProfile &profile, const QString &sequence, bool looping, int glideMs = defaultGlideMs);

// From the command line: the sequence file and its profile exported into
// `folder` (inputFor).
struct FileProblem {
    enum class Kind { SequenceUnreadable, ProfileUnreadable, FolderUnwritable };
    Kind kind = Kind::SequenceUnreadable;
    QString path = {};
    QString detail = {}; // the reader's or the system's own words; none: the sequence file does not exist
    QList<armprofile::Problem> problems = {}; // ProfileUnreadable
};
using Outcome = std::variant<Sketch, Refusal, FileProblem>;
Outcome exportFiles(const QString &folder, const QString &sequencePath, const QString &profilePath, bool looping);

} // namespace sketchexport
