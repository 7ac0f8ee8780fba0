// SPDX-License-Identifier: MIT
#pragma once

#include "core/easedmove.h"
#include "shared/motion.h"

#include <QList>
#include <QString>

#include <array>
#include <optional>

class ChannelSetup;

// What one sequence line does to the arm: the groups the board takes from it,
// the pose it leaves, and whether it can keep its time. Widget-free; the pose
// table, the timeline, the line marks and stretch-to-fit all read these.
namespace poseline {

// The pulse each channel holds; every channel rests at 1500 µs until told.
using Pose = std::array<int, motion::channelCount>;
Pose restPose();

// How a line's eased channels go out (see easedmove): each channel's curve and
// the profile's step. All linear: every line goes out as written.
struct Easing {
    easedmove::Curves curves{};
    int stepMs = easing::defaultStepMs;

    bool any() const;
    friend bool operator==(const Easing &, const Easing &) = default;
};

// How lines are played: at what playback speed (see playbackspeed), held to
// which channels' limits (none: as written), and eased how.
struct Playing {
    double speed = 1;
    const ChannelSetup *limits = nullptr;
    Easing easing;
};

// A line as playback sends it and the board reads it.
struct LineMove {
    bool playsAsWritten = true;
    bool sent = false;              // false: playback skips it and keeps the interval before
    std::optional<qint16> interval; // as playback reads it (when sent), as written
    qsizetype bytes = 0;            // bytes on the wire as played, CR included
    QList<motion::Target> targets;  // the groups a board carries out, in order, as played
    std::optional<int> timeMs;      // a T group, as played
};

// `line` is one line of the sequence without its line break.
LineMove read(const QString &line, const Playing &playing = {});

// The pose after `move`, from `before`.
Pose apply(const Pose &before, const LineMove &move);

// The interval playback waits after `move`, given the one in force before it.
int intervalAfter(const LineMove &move, int inForce);

// What goes out for `move` played from `board` on a line of `bytesPerSecond`:
// its eased channels in steps. No steps when none of its channels is eased.
easedmove::Plan plan(const LineMove &move, const easedmove::Board &board, const Easing &easing, double bytesPerSecond);

// Of an eased line's commands, how many go out when the next line leaves
// `intervalUs` after it: the first leaves with the line, each other one when
// it is due before the next line, whose departure drops the rest. An interval
// of 0 ends playback after the line, and its move goes on to the end.
qsizetype commandsSent(const easedmove::Plan &plan, qint64 intervalUs);

// The least interval the editor writes, the most, and the step stretch-to-fit rounds to.
inline constexpr int leastInterval = 100;
inline constexpr int mostInterval = 10000;
inline constexpr int intervalStep = 10;

struct Figures {
    enum class Problem {
        None,
        NotAsWritten, // the line will not play as it reads
        WireTooSlow,  // its bytes take longer on the wire than its interval
        CannotArrive, // the slowest servo arrives after the next line leaves
        // An eased channel's curve is steeper than its servo can go: the servo
        // falls behind it and arrives after the next line leaves.
        CannotFollowCurve,
    };
    Problem problem = Problem::None;
    double speed = 1;    // the playback speed the figures below are at
    int interval = 0;    // what playback waits after it, at that speed
    qsizetype bytes = 0; // sent: an eased line's steps too, those that go out
    int wireMs = 0;      // its bytes on the wire, rounded up
    int arrivalMs = 0;   // from its first byte until the slowest servo arrives, rounded up
    int neededMs = 0;    // what the problem needs: wireMs, or arrivalMs rounded up to 10 ms
};

// The figures of `move` played at ×`speed` from `before` with `inForce` the
// interval in force (as written), on a line of `bytesPerSecond`, by the motion
// model of a board whose servos move at most `topRate` µs/s. An eased line
// arrives as its steps bring the servos there (easedmove::timing).
Figures figures(const LineMove &move, const Pose &before, int inForce, double bytesPerSecond,
                double topRate = motion::defaultTopRate, double speed = 1, const Easing &easing = {});

// The problem in words for the operator; empty when there is none.
QString describe(const Figures &figures);

// The least interval to write, within leastInterval..mostInterval and a
// multiple of intervalStep, that lets the line arrive at the figures' speed.
int stretchedInterval(const Figures &figures);

// `line` with interval `interval`: in the field it has when that field reads
// as a number, else in the recorder's own form.
QString withInterval(const QString &line, int interval);

} // namespace poseline
