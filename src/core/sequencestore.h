// SPDX-License-Identifier: MIT
#pragma once

#include "core/sequencefile.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QLockFile;
class RecoveryCopy;

// cmd.txt from start to end: reads it at start-up, offers back what an earlier
// run left unsaved, keeps the recovery copy up to date, and saves on the
// operator's word, on close and on a signal, all by one rule:
//
//   - a text the file already holds is not written again;
//   - a file changed on disk since it was read is overwritten only when the
//     operator says so;
//   - what is not saved is never lost: after a refused or failed save at the
//     end it stays in the recovery copy for the next start.
//
// A signal (endUnattended) ends the program without waiting for the operator:
// a question already open counts as answered with its safe answer (keep the
// recovery copy, do not overwrite), and nothing more is asked.
//
// Widget-free: the questions go through Operator, which the window implements,
// and the text through Text.
class SequenceStore final : public QObject
{
    Q_OBJECT

public:
    enum class Occasion { SaveNow, Close };

    // How the store reads and replaces the sequence, and marks it saved.
    struct Text {
        std::function<QString()> get;
        std::function<void(const QString &)> set;
        std::function<void()> markSaved;
    };

    class Operator
    {
    public:
        enum class Recovery { Restore, Discard };
        virtual ~Operator() = default;

        virtual void sequenceUnreadable(const QString &path, const QString &reason) = 0;
        // Another running copy of the program has the same sequence file open.
        virtual void sequenceInUse(const QString &path) = 0;
        virtual Recovery offerRecovery(const QString &copyPath, const QString &sequencePath) = 0;
        // The file changed on disk since it was read: may it be overwritten?
        virtual bool overwriteChanged(const QString &path, Occasion occasion) = 0;
        virtual void saveFailed(const QString &path, const QString &reason) = 0;
        // A save on close failed: close all the same (the text is then kept in
        // the recovery copy)?
        virtual bool closeDespiteFailure(const QString &path, const QString &reason) = 0;
        virtual void recoveryWriteFailed(const QString &copyPath, const QString &reason) = 0;
        // At an unattended end: the text was not saved, because the save failed
        // for `saveError` or, without one, because the file changed on disk; it
        // is in the recovery copy unless `copyError` says why not.
        virtual void keptUnsaved(const QString &path, const std::optional<QString> &saveError, const QString &copyPath,
                                 const std::optional<QString> &copyError) = 0;
    };

    SequenceStore(QString sequencePath, std::chrono::milliseconds recoveryDelay, QObject *parent = nullptr);
    ~SequenceStore() override;

    const QString &path() const { return m_file.path(); }
    const SequenceFile &file() const { return m_file; }
    // Where this run keeps its recovery copy (empty before start-up).
    QString recoveryPath() const;

    // Loads cmd.txt through `text`, tells the operator of another copy on it,
    // and offers the recovery copies that earlier runs left.
    void startUp(Text text, Operator &asker);

    // The sequence changed.
    void textChanged();
    // The file menu's 保存; true when the file holds the text afterwards.
    bool saveNow();
    // Closing the window; true when it may close. After a signal, never asks.
    bool saveOnClose();
    // The Exit button: cmd.txt stays as it was, the edit in the recovery copy.
    void keepForNextStart();

    // Another file's lines are in the sequence, unsaved; empty when none (none
    // opened, or the opening undone). A save makes the text cmd.txt's again.
    void openedInto(const QString &path);
    const QString &openedFrom() const { return m_openedFrom; }

    // The program is asked to end unattended (a signal).
    void endUnattended();
    bool endRequested() const { return m_endRequested; }

Q_SIGNALS:
    // Raised once, by endUnattended(): open questions are to be closed now.
    void endRequestedNow();
    // The file's name or the file opened into it changed (saved, opened).
    void namesChanged();

private:
    bool save(Occasion occasion);
    bool keepUnsaved(const std::optional<QString> &saveError);
    void saved();
    void offerRecoveryCopies();
    void takeRecoveryName(const QString &name, std::unique_ptr<QLockFile> lock);

    SequenceFile m_file;
    std::chrono::milliseconds m_recoveryDelay;
    Text m_text;
    Operator *m_operator = nullptr;
    std::unique_ptr<QLockFile> m_lock; // holds this run's recovery copy's name
    std::unique_ptr<RecoveryCopy> m_recovery;
    QString m_openedFrom;
    bool m_endRequested = false;
};
