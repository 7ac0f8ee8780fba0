// SPDX-License-Identifier: MIT
#include "jobprogress.h"

#include "core/sequencejob.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QProgressDialog>

namespace {

// The bar counts in thousandths: a job's own units may pass an int.
constexpr int scale = 1000;

} // namespace

void showJobProgress(SequenceJob &job, const QString &label, QWidget *parent)
{
    auto *dialog = new QProgressDialog(label, QCoreApplication::translate("jobprogress", "停止"), 0, scale, parent);
    dialog->setObjectName(QStringLiteral("jobProgress"));
    dialog->setWindowModality(Qt::WindowModal);
    // A bar of its own, moved directly: the dialog's setValue() runs the event
    // loop when the dialog is modal, which would run the job's next part, and
    // maybe its end and the dialog's, from inside the last.
    auto *bar = new QProgressBar;
    bar->setRange(0, scale);
    dialog->setBar(bar);
    const auto show = [bar](qsizetype done, qsizetype total) {
        bar->setValue(total > 0 ? int(done * scale / total) : 0);
    };
    show(job.done(), job.total());
    QObject::connect(&job, &SequenceJob::progressed, bar, show);
    QObject::connect(dialog, &QProgressDialog::canceled, &job, &SequenceJob::cancel);
    QObject::connect(&job, &SequenceJob::finished, dialog, &QObject::deleteLater);
    // Shown at once: until then the windows would still take keys and clicks.
    dialog->show();
}
