// SPDX-License-Identifier: MIT
// Start-up and save on close with long sequences: from constructing the main
// window (which loads cmd.txt) to the window shown and painted with the first
// screen, the longest the event loop then waits between two turns while the rest
// comes in (how long a key waits at worst), the whole sequence in, the memory it
// takes, and closing the window after an edit (which saves cmd.txt). All must
// grow in proportion to the length of the sequence.

#include "benchutil.h"

#include "app/program.h"
#include "core/sequencefile.h"
#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr int runs = 3;

struct Costs {
    double startUp = 0;   // ms, constructor to shown and painted
    double loaded = 0;    // ms, constructor to the whole sequence in
    double worstTurn = 0; // ms, the longest wait between two turns of the event loop during the load
    double memory = 0;    // bytes resident above the empty start, with the window open
    double save = 0;      // ms, closing the window after an edit
    double fileLoad = 0;  // ms, SequenceFile::load alone (read, decode)
    double fileSave = 0;  // ms, SequenceFile::save alone (encode, write, commit)
};

// A six-servo sequence line as the operator records them, about 76 bytes.
QByteArray sixServoLine(int n)
{
    QByteArray line = "Time" + QByteArray::number(100 + (n * 37) % 4900).leftJustified(6);
    for (int channel = 0; channel < 6; ++channel)
        line +=
            '#' + QByteArray::number(channel) + 'P' + QByteArray::number(500 + (n * 7 + channel * 331) % 2001) + "S300";
    return line;
}

QByteArray sixServoFile(int lines)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 78);
    for (int n = 0; n < lines; ++n)
        bytes += sixServoLine(n) + "\r\n";
    return bytes;
}

double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(::sysconf(_SC_PAGESIZE)) : 0;
}

Costs runOnce(const QByteArray &sequenceFile, double residentBefore = 0)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cmd.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(sequenceFile) != sequenceFile.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();

    RecordingNotifier notifier;
    bench::PaintWatch watch;
    Costs costs;
    QElapsedTimer clock;
    clock.start();
    auto program = std::make_unique<Program>(Program::Services{
        std::make_unique<QtSerialPort>(), &notifier, [] { return QStringList(); }, path,
        SequenceFileMenu::fileDialogs(), nullptr, dir.filePath(QStringLiteral("last-sent-pose.json"))});
    MainWindow *window = &program->window();
    window->installEventFilter(&watch);
    window->show();
    // The whole tree is painted in the pass that delivers the window's own paint.
    while (!watch.painted && clock.elapsed() < 60000)
        QCoreApplication::processEvents();
    costs.startUp = double(clock.nsecsElapsed()) / 1e6;
    auto *editor = window->findChild<SequenceEditor *>();
    const qsizetype lines = sequenceFile.count('\n') + 1;
    QElapsedTimer turn;
    turn.start();
    while (editor->lineCount() != lines && clock.elapsed() < 60000) {
        QCoreApplication::processEvents();
        costs.worstTurn = qMax(costs.worstTurn, double(turn.nsecsElapsed()) / 1e6);
        turn.start();
    }
    costs.loaded = double(clock.nsecsElapsed()) / 1e6;
    QCoreApplication::processEvents();
    costs.memory = residentBytes() - residentBefore;
    if (!notifier.shown.isEmpty() || !watch.painted || editor->lineCount() != lines)
        qFatal("start-up did not go cleanly");

    editor->appendLine(QString::fromLatin1(sixServoLine(0)) + u'\r');
    costs.save = bench::timeOnce([&] { window->close(); }) / 1e6;
    if (window->isVisible() || !notifier.shown.isEmpty()
        || QFileInfo(path).size() != sequenceFile.size() + sixServoLine(0).size() + 2)
        qFatal("the save did not go cleanly");
    program.reset();

    // The file's own share of both, without the editor.
    SequenceFile alone(path);
    QString error;
    std::optional<QString> text;
    costs.fileLoad = bench::timeOnce([&] { text = alone.load(&error); }) / 1e6;
    if (!text)
        qFatal("cannot load %s: %s", qPrintable(path), qPrintable(error));
    std::optional<QString> failure;
    costs.fileSave = bench::timeOnce([&] { failure = alone.save(*text); }) / 1e6;
    if (failure)
        qFatal("cannot save %s: %s", qPrintable(path), qPrintable(*failure));
    return costs;
}

void report(const QString &what, const QList<double> &values)
{
    bench::figure(QStringLiteral("%1: min").arg(what), bench::percentile(values, 0), "ms");
    bench::figure(QStringLiteral("%1: median").arg(what), bench::median(values), "ms");
    bench::figure(QStringLiteral("%1: max").arg(what), bench::percentile(values, 100), "ms");
}

} // namespace

int main(int argc, char *argv[])
{
#if defined(__GLIBC__)
    // Every run pays for fresh memory, as a program that has just started does.
    // Left alone, glibc keeps buffers of up to 32 MB for reuse after the first
    // run, so 100,000 lines would run on warm memory and 1,000,000 on cold.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    QApplication app(argc, argv);
    bench::heading("start-up and save on close (MainWindow, offscreen), six-servo lines of 76 bytes");
    bench::note("start-up is counted above the start-up with an empty cmd.txt, measured in the same run");
    runOnce(sixServoFile(1000)); // warm-up: fonts, styles, first allocation of everything

    QList<double> emptyStartUps;
    for (int run = 0; run < runs; ++run)
        emptyStartUps.append(runOnce({}).startUp);
    const double reference = bench::median(emptyStartUps);
    report(QStringLiteral("empty cmd.txt: start-up (reference)"), emptyStartUps);
    const double residentEmpty = residentBytes();

    double previousStartUp = 0;
    double previousLoaded = 0;
    double previousSave = 0;
    for (const int lines : {10000, 100000, 1000000}) {
        const QByteArray bytes = sixServoFile(lines);
        QList<double> startUps, loads, turns, perLine, saves, fileLoads, fileSaves;
        for (int run = 0; run < runs; ++run) {
            const Costs costs = runOnce(bytes, residentEmpty);
            startUps.append(costs.startUp - reference);
            loads.append(costs.loaded - reference);
            turns.append(costs.worstTurn);
            perLine.append(costs.memory / lines);
            saves.append(costs.save);
            fileLoads.append(costs.fileLoad);
            fileSaves.append(costs.fileSave);
        }
        const QString what = QStringLiteral("%1 lines").arg(lines);
        report(what + QStringLiteral(": first screen shown (start-up above empty)"), startUps);
        report(what + QStringLiteral(": longest wait for a key while the rest comes in"), turns);
        report(what + QStringLiteral(": whole sequence in (above empty)"), loads);
        bench::spread(what + QStringLiteral(": resident memory per line, window open"), perLine, "B");
        report(what + QStringLiteral(": save on close"), saves);
        report(what + QStringLiteral(": of which cmd.txt alone, load"), fileLoads);
        report(what + QStringLiteral(": of which cmd.txt alone, save"), fileSaves);
        if (previousStartUp > 0) {
            bench::figure(what + QStringLiteral(": first screen growth over a tenth as many lines"),
                          bench::median(startUps) / previousStartUp, "x");
            bench::figure(what + QStringLiteral(": whole load growth over a tenth as many lines"),
                          bench::median(loads) / previousLoaded, "x");
            bench::figure(what + QStringLiteral(": save growth over a tenth as many lines"),
                          bench::median(saves) / previousSave, "x");
        }
        previousStartUp = bench::median(startUps);
        previousLoaded = bench::median(loads);
        previousSave = bench::median(saves);
    }
    return 0;
}
