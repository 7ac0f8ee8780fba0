// SPDX-License-Identifier: MIT
#pragma once

#include "core/sequencestore.h"

#include <QCoreApplication>

class Notifier;
class QWidget;

// What the sequence store asks and tells the operator, in message boxes over
// the main window; an unattended end is reported on standard error.
class SequenceStoreQuestions final : public SequenceStore::Operator
{
    Q_DECLARE_TR_FUNCTIONS(SequenceStoreQuestions)

public:
    SequenceStoreQuestions(Notifier &notifier, QWidget &window) : m_notifier(notifier), m_window(window) { }

    void sequenceUnreadable(const QString &path, const QString &reason) override;
    void sequenceInUse(const QString &path) override;
    Recovery offerRecovery(const QString &copyPath, const QString &sequencePath) override;
    bool overwriteChanged(const QString &path, SequenceStore::Occasion occasion) override;
    void saveFailed(const QString &path, const QString &reason) override;
    bool closeDespiteFailure(const QString &path, const QString &reason) override;
    void recoveryWriteFailed(const QString &copyPath, const QString &reason) override;
    void keptUnsaved(const QString &path, const std::optional<QString> &saveError, const QString &copyPath,
                     const std::optional<QString> &copyError) override;

private:
    Notifier &m_notifier;
    QWidget &m_window;
};

namespace sequencestoreui {

// The window's title: the sequence file's name, "cmd.txt ← walk.txt" while the
// lines of another file are in it unsaved, and the placeholder for the mark of
// unsaved changes.
QString windowTitle(const SequenceStore &store);

// Ends every modal question now, each as its safe answer (its reject button).
void closeOpenQuestions();

} // namespace sequencestoreui
