#pragma once

#include "sequencefile.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

// A copy of the operator's unsaved sequence beside the sequence file (its name
// with ".recovery" added), so that a crash or a power cut costs at most the last
// few seconds of editing. The copy is written whole or not at all, `delay` after
// the last change of the text; it goes once nothing is left unsaved. At start-up
// a copy newer than the sequence file is what the last run did not save.
class RecoveryCopy final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds defaultDelay{3000};

    // The text still to be saved, or nothing when the sequence file holds it.
    using UnsavedText = std::function<std::optional<QString>()>;

    RecoveryCopy(const QString &sequencePath, UnsavedText unsavedText,
                 std::chrono::milliseconds delay = defaultDelay, QObject *parent = nullptr);

    const QString &path() const { return m_file.path(); }

    // The text of a copy newer than the sequence file (or of one beside a missing
    // sequence file), if there is one.
    std::optional<QString> newerThanSequence() const;

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
    QString m_sequencePath;
    UnsavedText m_unsavedText;
    QTimer m_timer;
    bool m_failedBefore = false;
};
