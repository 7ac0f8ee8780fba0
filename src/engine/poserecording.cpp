// SPDX-License-Identifier: MIT
#include "poserecording.h"

#include "core/clock.h"
#include "core/posedraft.h"
#include "core/sequencecursor.h"
#include "core/sequencedocument.h"

#include <algorithm>

PoseRecording::PoseRecording(PoseDraft &pose, const Clock &clock, SequenceDocument &sequence, SequenceCursor &cursor,
                             QObject *parent)
    : QObject(parent), m_pose(pose), m_clock(clock), m_sequence(sequence), m_cursor(cursor)
{
    // Only live moves are the operator's acting: a played line, a glide or a
    // stop has its own line already, or none to have.
    connect(&m_pose, &PoseDraft::moved, this,
            [this](int channel, int pulse) { m_recorder.change(channel, pulse, nowMs()); });
}

void PoseRecording::setIntervalMs(int ms)
{
    m_intervalMs = std::clamp(ms, PoseRecorder::leastIntervalMs, PoseRecorder::mostIntervalMs);
}

void PoseRecording::start()
{
    if (recording())
        return;
    poseline::Pose pose;
    for (int channel = 0; channel < motion::channelCount; ++channel)
        pose[size_t(channel)] = m_pose.pulse(channel);
    m_recorder.start(pose, nowMs(), m_intervalMs);
    Q_EMIT recordingChanged(true);
}

PoseRecording::Lines PoseRecording::stop()
{
    if (!recording())
        return {};
    const QStringList lines = m_recorder.stop(nowMs());
    Lines put;
    if (!lines.isEmpty()) {
        put = {insertAfterCurrent(lines), lines.size()};
        m_cursor.setLine(put.first);
    }
    Q_EMIT recordingChanged(false);
    return put;
}

void PoseRecording::drop()
{
    if (!recording())
        return;
    m_recorder.drop();
    Q_EMIT recordingChanged(false);
}

qint64 PoseRecording::nowMs() const
{
    return m_clock.nowNs() / 1'000'000;
}

qsizetype PoseRecording::insertAfterCurrent(const QStringList &lines)
{
    const QString text = lines.join(u'\r') + u'\r';
    const qsizetype last = m_sequence.lineCount() - 1;
    const qsizetype current = std::clamp<qsizetype>(m_cursor.line(), 0, last);
    if (current < last) {
        m_sequence.replace(m_sequence.lineStart(current + 1), 0, text);
        return current + 1;
    }
    // The empty line after a final line break (or of an empty sequence) stays last.
    if (m_sequence.lineText(last).isEmpty()) {
        m_sequence.replace(m_sequence.lineStart(last), 0, text);
        return last;
    }
    // A last line without its line break is ended first, as Add ends it.
    m_sequence.replace(m_sequence.length(), 0, u'\r' + text);
    return last + 1;
}
