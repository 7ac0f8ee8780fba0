// SPDX-License-Identifier: MIT
#pragma once

#include "sequencefile.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

// A copy of the operator's unsaved sequence beside the sequence file, so that a
// crash or a power cut costs at most the last few seconds of editing. The copy
// is written whole or not at all, `delay` after the last change of the text,
// readable by its owner alone and never through a symbolic link; it goes once
// nothing is left unsaved.
//
// Each running copy of the program keeps a copy of its own: cmd.txt.recovery,
// or cmd.txt.recovery-2, -3, ... when another copy holds that name. A name is
// held by a lock file beside it (its name with ".lock" added) for as long as
// its program runs; a killed program's lock counts as free.
class RecoveryCopy final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultDelay{3000};

    // The text still to be saved, or nothing when the sequence file holds it.
    using UnsavedText = std::function<std::optional<QString>()>;

    RecoveryCopy(const QString &copyPath, UnsavedText unsavedText, std::chrono::milliseconds delay = defaultDelay,
                 QObject *parent = nullptr);

    const QString &path() const { return m_file.path(); }

    // The text changed: the copy follows `delay` after the last change.
    void textChanged();
    // Brings the copy up to date at once; the reason when it cannot be written.
    std::optional<QString> writeNow();
    // Nothing is left unsaved: the copy goes, and no waiting change brings it back.
    void discard();

Q_SIGNALS:
    // The first time a copy due after a change cannot be written.
    void writeFailed(const QString &reason);

private:
    void writeDue();

    SequenceFile m_file;
    UnsavedText m_unsavedText;
    QTimer m_timer;
    bool m_failedBefore = false;
};

namespace recoverycopies {

// The name of the n-th copy (from 1) of `sequencePath`.
QString name(const QString &sequencePath, int n);
// Every copy's name that is on disk, as a copy or as a lock, in the order of n.
QStringList onDisk(const QString &sequencePath);
// The text of the copy at `copyPath` when it is a regular file (not a link)
// newer than the sequence file (or beside a missing one) and can be read.
std::optional<QString> newerThanSequence(const QString &copyPath, const QString &sequencePath);

} // namespace recoverycopies
