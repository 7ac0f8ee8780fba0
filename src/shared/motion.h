// SPDX-License-Identifier: MIT
#pragma once

// Servo motion in time. Every channel moves in a straight line from where it is
// toward its target:
//   - with S<speed>: at that many µs of pulse width per second;
//   - with T<time>: so that every channel of the command arrives together when
//     the slowest of them can, and not before `time` ms;
//   - never faster than the servo's top rate (default: 0.1 s per 60 degrees,
//     taking 2000 µs of pulse width for 180 degrees, so about 6667 µs/s).
// A command for a moving channel retargets it from where it is at that moment.
// Every channel rests at 1500 µs until its first command.
//
// Positions depend only on the commands and their arrival times (µs on one
// monotonic clock), so they can be computed for any later instant.

#include <QList>

#include <array>
#include <optional>

namespace motion {

constexpr int channelCount = 32;

// One channel's part of a command: where to, and at what speed.
struct Target {
    int channel = 0;
    int pulse = 0;
    std::optional<int> speed; // none: no speed limit
    friend bool operator==(const Target &, const Target &) = default;
};

constexpr double pulsePerDegree = 2000.0 / 180.0;
constexpr double defaultTopRate = 60.0 * pulsePerDegree / 0.1; // µs of pulse per second
constexpr int restPulse = 1500;
// The pulse widths a board takes, µs.
constexpr int minPulse = 500;
constexpr int maxPulse = 2500;

class MotionModel
{
public:
    explicit MotionModel(double topRate = defaultTopRate) : m_topRate(topRate) { }

    // Carries out a command (its targets, with T<time> when it has one) that
    // arrived at `arrivalUs`; commands come in arrival order.
    void apply(const QList<Target> &targets, std::optional<int> timeMs, qint64 arrivalUs);

    // Pulse width of `channel` at `timeUs` (not before the last command).
    double position(int channel, qint64 timeUs) const;
    int target(int channel) const { return m_moves[size_t(channel)].to; }
    bool commanded(int channel) const { return m_moves[size_t(channel)].commanded; }
    // True while any channel, or `channel`, is still on its way at `timeUs`.
    bool moving(qint64 timeUs) const;
    bool moving(int channel, qint64 timeUs) const;
    // When the last channel arrives at its target (µs, on the commands' clock).
    qint64 arrivalUs() const;
    // When `channel` arrives at its target.
    qint64 arrivalUs(int channel) const;
    double topRate() const { return m_topRate; }

private:
    struct Move {
        double from = restPulse;
        int to = restPulse;
        qint64 startUs = 0;
        qint64 durationUs = 0;
        bool commanded = false;
    };
    std::array<Move, channelCount> m_moves;
    double m_topRate;
};

} // namespace motion
