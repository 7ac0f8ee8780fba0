// SPDX-License-Identifier: MIT
#include "jobprogress.h"

#include "core/sequencejob.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

// The dialog counts in thousandths: a job's own units may pass an int.
constexpr int scale = 1000;

} // namespace

void showJobProgress(SequenceJob &job, const QString &label, QWidget *parent)
{
    auto *dialog = new QProgressDialog(label, QCoreApplication::translate("jobprogress", "停止"), 0, scale, parent);
    dialog->setObjectName(QStringLiteral("jobProgress"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    // Shown at once: until then the windows would still take keys and clicks.
    dialog->setMinimumDuration(0);
    const auto show = [dialog](qsizetype done, qsizetype total) {
        dialog->setValue(total > 0 ? int(done * scale / total) : 0);
    };
    show(job.done(), job.total());
    // Queued: a modal progress dialog runs the event loop as it shows a value,
    // which must not happen in the middle of a part of the job.
    QObject::connect(&job, &SequenceJob::progressed, dialog, show, Qt::QueuedConnection);
    QObject::connect(dialog, &QProgressDialog::canceled, &job, &SequenceJob::cancel);
    QObject::connect(&job, &SequenceJob::finished, dialog, &QObject::deleteLater);
}
