// SPDX-License-Identifier: MIT
#include "motion.h"

#include <algorithm>
#include <cmath>

namespace motion {

namespace {

constexpr double usPerSecond = 1e6;

qint64 durationAt(double distance, double rate)
{
    return qint64(std::ceil(distance / rate * usPerSecond));
}

} // namespace

void MotionModel::apply(const QList<Target> &targets, std::optional<int> timeMs, qint64 arrivalUs)
{
    // Each channel's shortest move under its own speed and the top rate.
    QList<qint64> durations;
    qint64 slowest = timeMs ? qint64(*timeMs) * 1000 : 0;
    for (const Target &group : targets) {
        const double distance = std::abs(group.pulse - position(group.channel, arrivalUs));
        qint64 duration = durationAt(distance, m_topRate);
        if (group.speed && *group.speed > 0)
            duration = std::max(duration, durationAt(distance, *group.speed));
        durations.append(duration);
        slowest = std::max(slowest, duration);
    }
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const Target &group = targets[i];
        Move &move = m_moves[size_t(group.channel)];
        move.from = position(group.channel, arrivalUs);
        move.to = group.pulse;
        move.startUs = arrivalUs;
        move.durationUs = timeMs ? slowest : durations[i];
        move.commanded = true;
    }
}

double MotionModel::position(int channel, qint64 timeUs) const
{
    const Move &move = m_moves[size_t(channel)];
    const qint64 elapsed = timeUs - move.startUs;
    if (elapsed >= move.durationUs)
        return move.to;
    if (elapsed <= 0)
        return move.from;
    return move.from + (move.to - move.from) * double(elapsed) / double(move.durationUs);
}

bool MotionModel::moving(qint64 timeUs) const
{
    for (int channel = 0; channel < channelCount; ++channel) {
        if (moving(channel, timeUs))
            return true;
    }
    return false;
}

bool MotionModel::moving(int channel, qint64 timeUs) const
{
    const Move &move = m_moves[size_t(channel)];
    return timeUs < move.startUs + move.durationUs;
}

qint64 MotionModel::arrivalUs() const
{
    qint64 last = 0;
    for (int channel = 0; channel < channelCount; ++channel)
        last = std::max(last, arrivalUs(channel));
    return last;
}

qint64 MotionModel::arrivalUs(int channel) const
{
    const Move &move = m_moves[size_t(channel)];
    return move.startUs + move.durationUs;
}

} // namespace motion
