// SPDX-License-Identifier: MIT
#pragma once

#include "core/poseline.h"

#include <QList>
#include <QStringList>

// Records the pose as the operator acts it, as sequence lines.
//
// Time is cut into record intervals from the start. An interval in which the
// pose changed becomes a line of that interval's time, with a group for each
// channel that stands elsewhere at the interval's end than at its start, at
// the pulse it ends on and at the least whole speed that gets it there within
// the interval: S = ceil(|distance| * 1000 / interval) µs/s. Played back, every
// line's channels arrive by the time the next line leaves, so the played pose
// matches the acted one at the end of every interval.
//
// An interval in which nothing moved lengthens the line before it, up to the
// longest a line waits; a longer stillness goes on in lines with no group (the
// time prefix alone: a lone CR for the board, then the wait). Stillness before
// the first move is the wait for the operator and is left out. The interval in
// which the recording stops counts as a whole one.
//
// Times are milliseconds on one monotonic clock, passed in, in order; a time
// earlier than the last one given counts as the last one.
class PoseRecorder
{
public:
    static constexpr int defaultIntervalMs = 100;
    static constexpr int leastIntervalMs = 20;
    static constexpr int mostIntervalMs = 1000;
    // The longest interval a recorded line waits.
    static constexpr int longestLineMs = poseline::mostInterval;

    bool recording() const { return m_recording; }
    // The interval of the recording under way, or of the last one.
    int intervalMs() const { return m_intervalMs; }

    // Starts recording from `pose`, the pulse each channel stands at. The
    // interval is brought into leastIntervalMs..mostIntervalMs.
    void start(const poseline::Pose &pose, qint64 atMs, int intervalMs = defaultIntervalMs);
    // `channel` (0..31) now stands at `pulse`. Ignored while not recording.
    void change(int channel, int pulse, qint64 atMs);
    // Ends the recording: its lines, each without its line break, in the
    // recorder's format (sequenceline's time prefix and channel groups).
    QStringList stop(qint64 atMs);
    // Ends the recording and forgets it.
    void drop();

private:
    struct Group {
        int channel;
        int pulse;
        int speed;
    };
    struct Line {
        int ms;
        QList<Group> groups;
    };

    // The interval `atMs` falls in (a time before the last one given counts as it).
    qint64 intervalIndex(qint64 atMs);
    // Closes the intervals before number `end`.
    void closeBefore(qint64 end);
    void closeOpenInterval();
    void lengthen(qint64 ms);

    bool m_recording = false;
    int m_intervalMs = defaultIntervalMs;
    qint64 m_startMs = 0;
    qint64 m_lastMs = 0;
    qint64 m_open = 0; // the interval under way, counted from the start
    poseline::Pose m_atOpen{};
    poseline::Pose m_pose{};
    QList<Line> m_lines;
};
