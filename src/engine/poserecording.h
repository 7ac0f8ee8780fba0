// SPDX-License-Identifier: MIT
#pragma once

#include "core/poserecorder.h"

#include <QObject>

class Clock;
class PoseDraft;
class SequenceCursor;
class SequenceDocument;

// 录制: the pose being edited, recorded as the operator acts it. Every live
// move of the pose (a slider, a value box, the solver, a pad) is taken at the
// time it is made on the engine's clock, and the recorder samples them once a
// record interval. Stopped, the lines go in after the current line as one step
// of the undo history, and the current line is the first of them: ordinary
// lines that play, load and export as any other. Dropped, they are forgotten.
class PoseRecording final : public QObject
{
    Q_OBJECT

public:
    // The lines a recording put in the sequence; no lines when nothing moved.
    struct Lines {
        qsizetype first = 0;
        qsizetype count = 0;
    };

    // All parts outlive the recording.
    PoseRecording(PoseDraft &pose, const Clock &clock, SequenceDocument &sequence, SequenceCursor &cursor,
                  QObject *parent = nullptr);

    bool recording() const { return m_recorder.recording(); }
    // The interval of the next recording, held within PoseRecorder's range.
    int intervalMs() const { return m_intervalMs; }
    void setIntervalMs(int ms);

    // From the pose as it stands now; nothing when already recording.
    void start();
    // Ends the recording and puts its lines in.
    Lines stop();
    // Ends the recording and forgets its lines.
    void drop();

Q_SIGNALS:
    void recordingChanged(bool recording);

private:
    qint64 nowMs() const;
    // Puts `lines` after the current line in one replacement; the first line's index.
    qsizetype insertAfterCurrent(const QStringList &lines);

    PoseDraft &m_pose;
    const Clock &m_clock;
    SequenceDocument &m_sequence;
    SequenceCursor &m_cursor;
    PoseRecorder m_recorder;
    int m_intervalMs = PoseRecorder::defaultIntervalMs;
};
