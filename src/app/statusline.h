// SPDX-License-Identifier: MIT
#pragma once

#include <QStatusBar>

class Playback;
class QLabel;
class SerialPort;
class SerialResult;
class SequenceEditor;
namespace linecheck {
struct Reading;
}

// The status line below the window: the connection with the settings in force
// (and why the last Connect failed, which the window itself keeps silent
// about), what the last edit of the sequence made that will not do as it
// reads, playback, and what has reached the device since Connect. Display only.
class StatusLine final : public QStatusBar
{
    Q_OBJECT

public:
    StatusLine(const SerialPort &port, const Playback &playback, QWidget *parent = nullptr);

    void showConnection(bool connected);
    void showConnectFailure(const SerialResult &failure);
    void showPlayback();

    // After every change of `editor`'s text, the line under the caret (a line
    // typed, inserted, added or modified) is checked: one that will not play as
    // it reads is named with what playback makes of it; any other clears the note.
    void followEdits(const SequenceEditor &editor);
    // `line` (zero-based) will not play as it reads; `reading` is what playback does with it.
    void showLineWontPlay(qsizetype line, const linecheck::Reading &reading);
    // Load pose found no pose in `line` (zero-based) as it reads.
    void showPoseNotLoaded(qsizetype line, const linecheck::Reading &reading);
    // Add recorded a line with no channel in it.
    void showNothingTicked();
    void clearSequenceNote();

    // The texts, for the labels and for tests.
    QString connectionText() const;
    QString playbackText() const;
    QString trafficText() const;
    QString sequenceNoteText() const;

private:
    void showTraffic();
    static QString describe(const linecheck::Reading &reading);

    const SerialPort &m_port;
    const Playback &m_playback;
    QLabel *m_connection;
    QLabel *m_sequenceNote;
    QLabel *m_playbackLabel;
    QLabel *m_traffic;
    QString m_failure;
};
