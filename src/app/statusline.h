// SPDX-License-Identifier: MIT
#pragma once

#include "core/sentposejournal.h"
#include "statushistory.h"

#include <QDateTime>
#include <QStatusBar>

#include <optional>

class ElidedLabel;
class Engine;
class Playback;
class PriorityRowLayout;
class QToolButton;
class SteadyLabel;
class SerialPort;
class SerialResult;
namespace commandlimits {
struct Clamp;
}
namespace linecheck {
struct Reading;
}

// The status line below the window: the connection with the settings in force
// (and why the last Connect failed, which the window itself keeps silent
// about), a command format other than the compact one, what the last edit of
// the sequence made that will not do as it reads, passing notes, playback,
// what has reached the device since Connect and the live moves still waiting
// for the line. Display only.
//
// Nothing on it is ever cut: a text with too little room ends in "…", holds
// the whole of it in its tooltip, and the notes are kept with their times in a
// history that the button beside 急停 (or the line's context menu) opens. The
// short counters keep their room longest; 急停 stays at the right end.
class StatusLine final : public QStatusBar
{
    Q_OBJECT

public:
    // After every change of the sequence, the current line (a line typed,
    // inserted, added or modified) is checked: one that will not play as it
    // reads is named with what playback makes of it; any other clears the note.
    explicit StatusLine(Engine &engine, QWidget *parent = nullptr);

    void showConnection(bool connected);
    void showConnectFailure(const SerialResult &failure);
    void showPlayback();

    // `line` (zero-based) will not play as it reads; `reading` is what playback does with it.
    void showLineWontPlay(qsizetype line, const linecheck::Reading &reading);
    // Load pose found no pose in `line` (zero-based) as it reads.
    void showPoseNotLoaded(qsizetype line, const linecheck::Reading &reading);
    // Add recorded a line with no channel in it.
    void showNothingTicked();
    void clearSequenceNote();
    // `count` more pulses were held to their channel's limits on the way out;
    // the tooltip names the latest ("底座旋转 · 板上通道 #5：3000 → 2100").
    void addClamps(int count, const commandlimits::Clamp &last);
    // The emergency stop held the arm where it was.
    void showArmHeld();
    // 载入姿态 sent the arm gliding to the pose of `line` (zero-based).
    void showArmGliding(qsizetype line);
    // Disconnect stopped playback.
    void showPlaybackStoppedByDisconnect();
    // A long sequence is still coming in: `loaded` of `total` characters so far;
    // `waiting` while an action (Run, Save) waits for the rest. A `total` of 0
    // ends the note.
    void showLoading(qsizetype loaded, qsizetype total, bool waiting);
    // After start-up and after Connect, until the next command leaves: how
    // long ago the pose the board on the port was last sent left ("上次发送的
    // 姿态：3 分钟前"), or why the record of it could not be read; `loading`
    // is how the engine's journal was read last.
    void showJournal(const SentPoseJournal::Loading &loading);
    // The record of what was sent could not be written: `reason`, the system's.
    void showSentPoseNotSaved(const QString &reason);
    // "上次发送的姿态：3 分钟前", in the largest whole unit of `secondsAgo`.
    static QString sentPoseAgeText(qint64 secondsAgo);
    // A button for `action` at the line's right end, always in reach.
    void addEmergencyStop(QAction &action);

    // The texts, for the labels and for tests.
    QString connectionText() const;
    QString playbackText() const;
    QString trafficText() const;
    QString sequenceNoteText() const;
    QString clampText() const;
    QString loadingText() const;
    QString sentPoseText() const;
    // "命令格式：带空格"; empty for the compact format.
    QString commandFormatText() const;
    // "3 个通道等待发送"; empty when no live move waits beyond the port's queue.
    QString waitingMovesText() const;

    // The notes shown so far, newest first.
    const StatusHistory &history() const { return m_history; }

protected:
    // The passing note (showMessage) is shown by a label of the line's own.
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    ElidedLabel *addLabel(const char *name, int rank, bool fills = false);
    // Shows `text` on `label` (hidden while empty); a new text that is a note
    // goes into the history too.
    enum class Kept { InHistory, NotKept };
    void say(ElidedLabel &label, const QString &text, Kept kept = Kept::InHistory);
    void showTraffic();
    void showLastSentPose(const QDateTime &sentAt);
    // The sent-pose note; `untilSent` clears it when the next command leaves.
    void showSentPoseNote(const QString &text, bool untilSent);
    static QString describe(const linecheck::Reading &reading);
    // The time of day on the engine's clock.
    QDateTime now() const;

    Engine &m_engine;
    const SerialPort &m_port;
    const Playback &m_playback;
    const QDateTime m_startedAt;
    const qint64 m_startedAtNs;
    PriorityRowLayout *m_row;
    ElidedLabel *m_connection;
    ElidedLabel *m_commandFormat;
    ElidedLabel *m_passingNote;
    ElidedLabel *m_sequenceNote;
    ElidedLabel *m_loading;
    ElidedLabel *m_sentPose;
    SteadyLabel *m_playbackLabel;
    SteadyLabel *m_traffic;
    ElidedLabel *m_waitingMoves;
    ElidedLabel *m_clamps;
    QToolButton *m_historyButton;
    StatusHistory m_history;
    std::optional<QDateTime> m_lastSentAt; // while its age is shown
    bool m_sentPoseUntilSent = false;
    int m_clampCount = 0;
    QString m_failure;
};
