// SPDX-License-Identifier: MIT
// The record of what was sent: what hearing one command costs, what a write
// due after a change costs the GUI thread (the file's bytes, handed to the
// writing thread), and what the write itself takes (QSaveFile: a new file, its
// bytes, a sync to disk, a rename), as the end of the program waits for it. The
// reference, in the same run and folder, is the write the program already
// makes on the GUI thread a few seconds after an edit: the recovery copy of a
// 1,000-line sequence. The budget for the GUI thread is what the device holds
// of the line, 10 ms: longer, and a paced line runs dry while the write blocks.

#include "benchutil.h"

#include "core/recoverycopy.h"
#include "core/sentposejournal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>

namespace {

constexpr int runs = 40;

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // On the disk the program's settings live on (not a RAM-backed /tmp).
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/bench-journal-XXXXXX"));
    if (!dir.isValid())
        return 1;

    std::function<void()> due;
    SentPoseJournal journal(dir.filePath(QStringLiteral("last-sent-pose.json")),
                            [&due](int, std::function<void()> write) { due = std::move(write); });
    journal.load(1); // the journal of COM1
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString glide;
    for (int channel = 0; channel < 32; ++channel)
        glide += QStringLiteral("#%1P%2").arg(channel).arg(1000 + channel);
    journal.sent(glide + QStringLiteral("T1500\r"), now);

    bench::heading("hearing one command as it leaves");
    int pulse = 500;
    bench::spread(QStringLiteral("a live move #5P<pulse>S300"),
                  bench::timeBatches(runs, 1000,
                                     [&] {
                                         journal.sent(QStringLiteral("#5P%1S300\r").arg(pulse), now);
                                         pulse = pulse == 2500 ? 500 : pulse + 1;
                                     }),
                  "ns");

    bench::heading("one write, min / median / max of 40");
    QList<double> handedOver;
    for (int run = 0; run < runs; ++run) {
        journal.sent(QStringLiteral("#5P%1S300\r").arg(1000 + run), now);
        handedOver.append(bench::timeOnce(due) / 1e6);
        journal.finishWriting();
    }
    QList<double> journalWrites;
    for (int run = 0; run < runs; ++run)
        journalWrites.append(bench::timeOnce([&] { journal.saveNow(); }) / 1e6);
    const QString text = bench::sequenceText(1000);
    RecoveryCopy copy(
        dir.filePath(QStringLiteral("cmd.txt.recovery")), [&text] { return std::optional(text); },
        RecoveryCopy::defaultDelay);
    QList<double> copyWrites;
    for (int run = 0; run < runs; ++run)
        copyWrites.append(bench::timeOnce([&] { copy.writeNow(); }) / 1e6);
    bench::spread(QStringLiteral("after a change: the GUI thread's part"), handedOver, "ms");
    bench::spread(QStringLiteral("the write itself, 32 channels (the end waits for it)"), journalWrites, "ms");
    bench::spread(QStringLiteral("reference: the recovery copy of 1,000 lines"), copyWrites, "ms");
    bench::note("budget: the 10 ms of the line the device holds");
    copy.discard();
    return 0;
}
