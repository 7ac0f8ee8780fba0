// SPDX-License-Identifier: MIT
#pragma once

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

// How lines are played: at what playback speed (see playbackspeed), and held
// to which channels' limits (none: as written).
struct Playing {
    double speed = 1;
    const ChannelSetup *limits = nullptr;
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
    };
    Problem problem = Problem::None;
    double speed = 1;    // the playback speed the figures below are at
    int interval = 0;    // what playback waits after it, at that speed
    qsizetype bytes = 0; // sent
    int wireMs = 0;      // its bytes on the wire, rounded up
    int arrivalMs = 0;   // from its first byte until the slowest servo arrives, rounded up
    int neededMs = 0;    // what the problem needs: wireMs, or arrivalMs rounded up to 10 ms
};

// The figures of `move` played at ×`speed` from `before` with `inForce` the
// interval in force (as written), on a line of `bytesPerSecond`, by the motion
// model of a board whose servos move at most `topRate` µs/s.
Figures figures(const LineMove &move, const Pose &before, int inForce, double bytesPerSecond,
                double topRate = motion::defaultTopRate, double speed = 1);

// The problem in words for the operator; empty when there is none.
QString describe(const Figures &figures);

// The least interval to write, within leastInterval..mostInterval and a
// multiple of intervalStep, that lets the line arrive at the figures' speed.
int stretchedInterval(const Figures &figures);

// `line` with interval `interval`: in the field it has when that field reads
// as a number, else in the recorder's own form.
QString withInterval(const QString &line, int interval);

} // namespace poseline
