// SPDX-License-Identifier: MIT
#include "poserecorder.h"

#include "core/sequenceline.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The least whole speed (µs/s) that covers `distance` µs within `intervalMs`:
// a speed rounded down would leave the channel short of its pulse when the
// next line leaves.
int speedFor(int distance, int intervalMs)
{
    const qint64 scaled = qint64(std::abs(distance)) * 1000;
    return int(std::max<qint64>(1, (scaled + intervalMs - 1) / intervalMs));
}

} // namespace

void PoseRecorder::start(const poseline::Pose &pose, qint64 atMs, int intervalMs)
{
    m_recording = true;
    m_intervalMs = std::clamp(intervalMs, leastIntervalMs, mostIntervalMs);
    m_startMs = atMs;
    m_lastMs = atMs;
    m_open = 0;
    m_atOpen = pose;
    m_pose = pose;
    m_lines.clear();
}

void PoseRecorder::change(int channel, int pulse, qint64 atMs)
{
    if (!m_recording || channel < 0 || channel >= motion::channelCount)
        return;
    closeBefore(intervalIndex(atMs));
    m_pose[size_t(channel)] = pulse;
}

QStringList PoseRecorder::stop(qint64 atMs)
{
    QStringList lines;
    if (!m_recording)
        return lines;
    closeBefore(intervalIndex(atMs) + 1);
    for (const Line &line : std::as_const(m_lines)) {
        QString text = sequenceline::timePrefix(line.ms);
        for (const Group &group : line.groups)
            text += sequenceline::channelGroup({group.channel, group.pulse}, QString::number(group.speed));
        lines.append(text);
    }
    drop();
    return lines;
}

void PoseRecorder::drop()
{
    m_recording = false;
    m_lines.clear();
}

qint64 PoseRecorder::intervalIndex(qint64 atMs)
{
    m_lastMs = std::max(atMs, m_lastMs);
    return (m_lastMs - m_startMs) / m_intervalMs;
}

void PoseRecorder::closeBefore(qint64 end)
{
    if (end <= m_open)
        return;
    closeOpenInterval();
    // The intervals after it saw no change at all.
    lengthen((end - m_open - 1) * m_intervalMs);
    m_open = end;
}

void PoseRecorder::closeOpenInterval()
{
    Line line{m_intervalMs, {}};
    for (int channel = 0; channel < motion::channelCount; ++channel) {
        const int from = m_atOpen[size_t(channel)];
        const int to = m_pose[size_t(channel)];
        if (to != from)
            line.groups.append({channel, to, speedFor(to - from, m_intervalMs)});
    }
    if (line.groups.isEmpty()) {
        lengthen(m_intervalMs);
        return;
    }
    m_lines.append(line);
    m_atOpen = m_pose;
}

void PoseRecorder::lengthen(qint64 ms)
{
    if (m_lines.isEmpty())
        return;
    const qint64 added = std::min<qint64>(ms, longestLineMs - m_lines.last().ms);
    m_lines.last().ms += int(added);
    for (ms -= added; ms > 0; ms -= longestLineMs)
        m_lines.append(Line{int(std::min<qint64>(ms, longestLineMs)), {}});
}
