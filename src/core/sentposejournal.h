// SPDX-License-Identifier: MIT
#pragma once

#include "shared/motion.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <array>
#include <functional>
#include <map>
#include <optional>

// What the program last sent to each of the board's channels, and when. The
// line carries nothing back, and this program is its only writer, so the last
// pulse sent is where a powered board holds the servo: the best knowledge of
// where the arm stands, also at the next start.
//
// It hears each command as it leaves for the port (groups the board would not
// carry out are left out, as the board leaves them) and keeps itself in a small
// file, written whole or not at all: `saveDelayMs` after a change (changes in
// the meantime go with it, so a long drag is written every few seconds) and at
// its end. A write after a change goes to a thread of its own, since syncing a
// file to disk can take longer than the 10 ms of the line the device holds,
// and a paced line would run dry meanwhile; the write at the end waits. A file
// it cannot read is left alone until the next write replaces it.
//
// Each board has a journal of its own, named for its port beside the old
// single file (last-sent-pose-COM3.json beside last-sent-pose.json), so that
// two copies of the program driving two boards never share one. The file is
// the owner's alone (0600) and a symbolic link at its place is replaced, never
// written through, as cmd.txt is. A port with no journal yet starts from the
// old single file, which earlier versions wrote for whatever port they drove;
// once that port's own journal is written, the old file is removed, so it is
// taken over once. Without a port name (none chosen yet) the journal shows
// the old file, if any, and writes nothing: a command leaves only through an
// open port, and the window names it first.
class SentPoseJournal final : public QObject
{
    Q_OBJECT

public:
    static constexpr int saveDelayMs = 3000;

    struct Entry {
        int pulse = 0;
        QDateTime sentAt; // UTC
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    // Calls `due` once, `ms` from now: the wait before a write. The default
    // runs on a QTimer.
    using Schedule = std::function<void(int ms, std::function<void()> due)>;

    // The old single file beside the program's settings file; the journals
    // of the ports are named after it.
    static QString defaultPath();
    // The journal of port number n (COMn, see portnames.h) beside `basePath`;
    // empty without a port (none, or a number below 1).
    static QString pathFor(const QString &basePath, std::optional<int> port);

    explicit SentPoseJournal(QString basePath, Schedule schedule = {}, QObject *parent = nullptr);
    // Writes what is not yet written.
    ~SentPoseJournal() override;

    struct Loading {
        enum class Outcome {
            NoFile, // nothing sent yet on this machine: an empty journal
            Loaded,
            Unreadable, // the system's reason in `reason`
            Damaged,    // not a journal this program wrote, or cut short
        };
        Outcome outcome = Outcome::NoFile;
        QString reason;
    };
    // Takes the journal of `port`, at start-up and when a port opens:
    // writes what the journal of the port before has not written yet (a
    // failure is told by saveFailed), then reads the port's file, or the old
    // single file as above. On any outcome but Loaded the journal is empty.
    // The port in use again keeps what it holds.
    Loading load(std::optional<int> port);

    // `command` (one or more lines) has left for the port at `at`.
    void sent(QStringView command, const QDateTime &at);

    // Writes the file now, after any write under way; the system's reason when
    // it cannot.
    std::optional<QString> saveNow();
    // Returns once no write is under way; one that failed has been told.
    void finishWriting();

    // The file of the port in use; empty without one.
    const QString &path() const { return m_path; }
    const std::optional<Entry> &channel(int channel) const { return m_channels[size_t(channel)]; }
    bool isEmpty() const;
    // Channel → the last pulse sent to it.
    std::map<int, int> pose() const;
    // When the latest command was sent; nothing for an empty journal.
    std::optional<QDateTime> lastSentAt() const;

Q_SIGNALS:
    // A channel was sent a pulse other than the one it had (or its first).
    void poseChanged();
    // A write due after a change failed; once, until a write succeeds again.
    void saveFailed(const QString &reason);

private:
    Loading read(const QString &path);
    void saveDue();
    void written(const QString &path, const std::optional<QString> &failure);
    QByteArray contents() const;

    const QString m_basePath;
    QString m_path;
    bool m_loaded = false;
    // The pose came from the old single file: it goes once m_path is written.
    bool m_fromOldFile = false;
    Schedule m_schedule;
    std::array<std::optional<Entry>, motion::channelCount> m_channels;
    bool m_unsaved = false;
    bool m_saveScheduled = false;
    bool m_failedBefore = false;
    QThreadPool m_writer; // one thread: the writes go out in order
};
