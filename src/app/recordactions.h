// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class Engine;
class PoseRecording;
class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class SequenceEditor;

// 录制 (Ctrl+R), checkable, in the 序列 menu: on, the pose is recorded as the
// operator acts it; off, its lines go in after the current line, selected in
// the editor, the current line on the first. Esc while recording drops them;
// while playback runs Esc stops playback first, as it always has, and the next
// Esc drops the recording. A label on the status line says recording is on.
class RecordActions final : public QObject
{
    Q_OBJECT

public:
    // All outlive the actions.
    RecordActions(Engine &engine, SequenceEditor &editor, QMenu &menu, QStatusBar &statusLine);

    QAction *record() const { return m_record; }
    QAction *drop() const { return m_drop; }
    PoseRecording &recording() { return *m_recording; }

    // Ends a recording under way with its lines put in (the window is closing).
    void finish();

private:
    void stop();
    void follow();

    Engine &m_engine;
    SequenceEditor &m_editor;
    QStatusBar &m_statusLine;
    PoseRecording *m_recording;
    QAction *m_record;
    QAction *m_drop;
    QLabel *m_label;
};
