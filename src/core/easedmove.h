// SPDX-License-Identifier: MIT
#pragma once

// A line whose channels follow easing curves, as the board can be made to
// carry it out. The board ramps each servo in a straight line at one speed, so
// an eased channel does not go out in the line's command: the line's other
// channels go first, in a command of their own as the line has them, and then
// a series of step commands takes every eased channel from point to point of
// its curve, one step's time each ("#5P1623#6P1540T20"). The board's straight
// ramps between the points follow the curve.
//
// The step is the profile's step time, lengthened when the line could not
// carry a step command in it with room to spare: steps use at most `lineShare`
// of the line's bytes, so each is on the board before the one before it has
// run out, and other commands still get through.
//
// Widget-free and clock-free: times are µs after the line's first byte leaves.

#include "shared/easing.h"
#include "shared/motion.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace easedmove {

// Each channel's curve; Linear: the channel is not eased and goes out as the
// line writes it.
using Curves = std::array<easing::Curve, motion::channelCount>;

// The most of the line's bytes per second that steps take.
inline constexpr double lineShare = 0.8;

// A line's command as the board takes it: the groups it carries out, in order,
// with their pulses held to the channels' limits (wirecommand::Command::targets
// of the command that goes out), and its T.
struct Line {
    QList<motion::Target> targets;
    std::optional<int> timeMs;
};

// The board when the line's first byte leaves: how every channel is moving
// (the model's top rate is the servos'), and that moment on the model's clock.
struct Board {
    motion::MotionModel model;
    qint64 departureUs = 0;
};

// A board whose channels stand still at `pulses`.
Board standingAt(const std::array<int, motion::channelCount> &pulses, double topRate = motion::defaultTopRate);

struct Settings {
    Curves curves{}; // all Linear
    // The profile's step; held to easing::leastStepMs..mostStepMs. Not scaled
    // by the playback speed: it is about smoothness and the line, not the sequence.
    int stepMs = easing::defaultStepMs;
    // The line's rate at the settings in force (settingsstring::bytesPerSecond);
    // 0: the bytes take no time on the line and need no room.
    double bytesPerSecond = 0;
};

struct Command {
    QString text;      // CR included
    qint64 dueUs = 0;  // when it is written, for the line to be free then
    qint64 wireUs = 0; // its bytes on the line
    // When its CR reaches the board, which then carries it out.
    qint64 arrivalUs() const { return dueUs + wireUs; }
};

// One eased channel's way: from where it stands when the steps begin to its
// target, along its curve.
struct EasedChannel {
    int channel = 0;
    easing::Curve curve = easing::Curve::Linear;
    double from = 0;
    int to = 0;
    // From Plan::startUs: the channel's own time by the motion model (its
    // speed, the top rate) or the line's T, rounded up to whole steps but not
    // past the slowest eased channel, which lands with the last step.
    qint64 durationUs = 0;

    // Where its curve has it `us` after Plan::startUs.
    double pulseAt(qint64 us) const;
};

struct Plan {
    // In the order and at the times they go out: the line's other channels'
    // command first, when there are any, then the steps. Empty when no channel
    // of the line is eased: the line then goes out as written.
    QList<Command> commands;
    qsizetype stepCount = 0; // the last `stepCount` commands are the steps
    int stepMs = 0;          // between two steps' arrivals
    qint64 startUs = 0;      // the first step arrives: the eased channels set off
    qint64 endUs = 0;        // the slowest eased channel is due at its target
    QList<EasedChannel> eased;

    bool hasSteps() const { return stepCount > 0; }
};

// What playback sends for `line` played from `board`. Each step carries every
// eased channel that has not yet landed, its point rounded to 1 µs, and the
// time to get there: the step, or for the last step what is left of the slowest
// channel's time. With a T, the line's other channels' command keeps it, and
// the board applies it to them alone; the eased channels take the time the
// whole line would have taken (all arrive together, not before T), counted
// from the first step.
Plan compile(const Line &line, const Board &board, const Settings &settings);

// Carries out the plan's commands in `model` as the board does: each when its
// CR arrives, `departureUs` being the line's departure on the model's clock.
// The board's way along the steps, for the timeline and the twin.
void play(const Plan &plan, motion::MotionModel &model, qint64 departureUs);

struct Timing {
    // When the slowest eased channel really arrives: the plan's commands run
    // through the motion model at their arrival, its top rate included.
    qint64 arrivalUs = 0;
    // The least time in which every eased channel can follow its curve within
    // the top rate (an eased move's peak speed is its average times the curve's
    // peak slope): the least T for the line. Whole ms.
    int neededMs = 0;
    // Every eased channel has at least the time it needs.
    bool followsCurves = true;
};

// The timing of a plan compiled for `board`; all zero for a plan without steps.
Timing timing(const Plan &plan, const Board &board);

} // namespace easedmove
