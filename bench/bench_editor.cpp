// SPDX-License-Identifier: MIT
// The sequence editor on a short and a long sequence: its line routines, and a
// click picking a line through real mouse events, must cost the same whatever
// the length of the text; and the memory a line of six servos takes.

#include "benchutil.h"

#include "sequence/editorlines.h"
#include "sequence/sequencecommands.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <malloc.h>

namespace {

constexpr int small = 100;
constexpr int big = 1000000;
constexpr int runs = 300;
constexpr int repeats = 3;

struct Costs {
    double lineText = 0; // ns per call
    double pick = 0;     // ns, medians from here on
    double remove = 0;
    double add = 0;
    double clickLast = 0;    // press and release on the last line
    double clickLine100 = 0; // press and release on line 100
};

// An editor as the window has it: shown, with Add/Delete and line picking wired.
struct Sequence {
    RecordingNotifier notifier;
    SequenceEditor editor;
    SequenceCommands *commands;

    explicit Sequence(int lines)
        : commands(new SequenceCommands(
            editor, notifier, [lines] { return bench::sequenceLine(lines - 1); }, &editor))
    {
        editor.resize(650, 130);
        editor.setText(bench::sequenceText(lines));
        editor.show();
        QCoreApplication::processEvents();
    }
    // The text ends with a CR: the last sequence line is the one before the empty last line.
    qsizetype lastLine() const { return editor.lineCount() - 2; }
    void caretOnLastLine() { editor.setSelectionStart(editor.lineStart(lastLine())); }

    // Median time of a left press and release in the middle of `line`, scrolled
    // into view first; the repaint that follows is left out.
    double click(qsizetype line)
    {
        editor.setSelectionStart(editor.lineStart(line) + 5);
        editor.ensureCursorVisible();
        QCoreApplication::processEvents();
        const QPoint at = editor.cursorRect().center();
        QList<double> samples;
        for (int run = 0; run < runs; ++run) {
            samples.append(bench::timeOnce([&] {
                QTest::mousePress(editor.viewport(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(editor.viewport(), Qt::LeftButton, {}, at);
            }));
            QCoreApplication::processEvents();
        }
        if (editor.selectionStart() != editor.lineStart(line)
            || editor.selectedText() != *editorlines::lineWithBreak(editor, line))
            qFatal("the click did not pick line %lld", qlonglong(line));
        return bench::median(samples);
    }
};

Costs measure(int lines)
{
    Sequence s(lines);
    Costs costs;
    volatile qsizetype sink = 0;
    const qsizetype middle = lines / 2;
    costs.lineText = bench::median(
        bench::timeBatches(101, 1000, [&] { sink = sink + editorlines::lineWithBreak(s.editor, middle)->size(); }));

    // Each round leaves the text as it found it: Delete takes the last line, Add puts it back.
    const QString before = s.editor.text();
    QList<double> pick, remove, add;
    for (int run = 0; run < runs; ++run) {
        s.caretOnLastLine();
        pick.append(bench::timeOnce([&] { editorlines::selectCaretLine(s.editor); }));
        s.caretOnLastLine();
        remove.append(bench::timeOnce([&] { s.commands->remove(); }));
        add.append(bench::timeOnce([&] { s.commands->add(); }));
        QCoreApplication::processEvents();
    }
    if (s.editor.text() != before || !s.notifier.shown.isEmpty())
        qFatal("Delete and Add did not leave the text as it was");
    costs.pick = bench::median(pick);
    costs.remove = bench::median(remove);
    costs.add = bench::median(add);
    costs.clickLast = s.click(s.lastLine());
    costs.clickLine100 = s.click(qMin<qsizetype>(100, s.lastLine()));
    return costs;
}

void report(const char *what, const QList<Costs> &smallRuns, const QList<Costs> &bigRuns, double Costs::*cost,
            double scale, const char *unit)
{
    QList<double> smallCost, bigCost, ratio;
    for (qsizetype run = 0; run < smallRuns.size(); ++run) {
        smallCost.append(smallRuns[run].*cost / scale);
        bigCost.append(bigRuns[run].*cost / scale);
        ratio.append(bigCost.last() / smallCost.last());
    }
    bench::spread(QStringLiteral("%1, %2 lines").arg(QString::fromLatin1(what)).arg(small), smallCost, unit);
    bench::spread(QStringLiteral("%1, %2 lines").arg(QString::fromLatin1(what)).arg(big), bigCost, unit);
    bench::spread(QStringLiteral("%1, ratio").arg(QString::fromLatin1(what)), ratio, "x");
}

// The reference: a left press and release on the last line of a plain
// QPlainTextEdit of `lines` lines, median of a few.
double plainClick(int lines)
{
    QPlainTextEdit editor;
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    editor.resize(650, 130);
    editor.setPlainText(bench::sequenceText(lines));
    editor.show();
    editor.moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    const QPoint at = editor.cursorRect().center();
    QList<double> samples;
    for (int run = 0; run < 15; ++run) {
        samples.append(bench::timeOnce([&] {
            QTest::mousePress(editor.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(editor.viewport(), Qt::LeftButton, {}, at);
        }));
        QCoreApplication::processEvents();
    }
    return bench::median(samples);
}

// Resident memory of the process, bytes.
double residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/statm");
    return statm.readAll().split(' ').value(1).toDouble() * 4096;
}

// A line of six servos, 76 characters without its line break.
QString sixServoLine(int n)
{
    QString line = QStringLiteral("Time1000  ");
    for (int channel = 0; channel < 6; ++channel)
        line += QStringLiteral("#%1P%2S300").arg(channel).arg(1000 + (n * 7 + channel * 131) % 1500);
    return line;
}

struct Memory {
    double document = 0; // resident bytes a line, editor shown, the loaded text released
    double resized = 0;  // the same after the editor was made wider
    double peak = 0;     // resident bytes a line at most while loading, loaded text included
};

// `Editor` is SequenceEditor, or as the reference a QPlainTextEdit without
// wrapping, as Qt offers it.
template <typename Editor>
Memory memory(int lines)
{
    malloc_trim(0);
    const double before = residentBytes();
    Memory result;
    Editor editor;
    editor.setLineWrapMode(QPlainTextEdit::NoWrap);
    editor.resize(650, 130);
    {
        QString text;
        text.reserve(qsizetype(lines) * 77);
        for (int n = 0; n < lines; ++n)
            text += sixServoLine(n) + u'\r';
        editor.setPlainText(text);
        result.peak = (residentBytes() - before) / lines;
    }
    editor.show();
    QCoreApplication::processEvents();
    malloc_trim(0);
    result.document = (residentBytes() - before) / lines;
    editor.resize(900, 130);
    QCoreApplication::processEvents();
    malloc_trim(0);
    result.resized = (residentBytes() - before) / lines;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // Memory first, while the heap is fresh.
    bench::heading(qPrintable(QStringLiteral("sequence editor: memory at %1 lines of six servos (76 characters), "
                                             "min / median / max of %2 runs")
                                  .arg(big)
                                  .arg(repeats)));
    QList<double> document, resized, peak, plainDocument;
    for (int run = 0; run < repeats; ++run) {
        const Memory m = memory<SequenceEditor>(big);
        document.append(m.document);
        resized.append(m.resized);
        peak.append(m.peak);
    }
    // Last: what the reference leaves behind in the heap would count against the
    // loading peak of the runs after it.
    for (int run = 0; run < repeats; ++run)
        plainDocument.append(memory<QPlainTextEdit>(big).document);
    bench::spread(QStringLiteral("resident per line, editor shown, text released"), document, "B");
    bench::spread(QStringLiteral("resident per line after the editor was made wider"), resized, "B");
    bench::spread(QStringLiteral("resident per line right after setText, loaded text held"), peak, "B");
    bench::spread(QStringLiteral("reference: plain QPlainTextEdit, shown, text released"), plainDocument, "B");
    bench::note("the document keeps each line as UTF-16 (2 bytes a character, line break included)");
    bench::heading(qPrintable(QStringLiteral("sequence editor: cost against length of text "
                                             "(medians; min / median / max of %1 runs)")
                                  .arg(repeats)));
    measure(small); // warm-up
    QList<Costs> smallRuns, bigRuns;
    for (int run = 0; run < repeats; ++run) {
        smallRuns.append(measure(small));
        bigRuns.append(measure(big));
    }
    report("click (mouse press + release) on the last line", smallRuns, bigRuns, &Costs::clickLast, 1e3, "us");
    report("click (mouse press + release) on line 100", smallRuns, bigRuns, &Costs::clickLine100, 1e3, "us");
    QList<double> plainSmall, plainBig;
    for (int run = 0; run < repeats; ++run) {
        plainSmall.append(plainClick(small) / 1e3);
        plainBig.append(plainClick(big) / 1e3);
    }
    bench::spread(QStringLiteral("reference: plain QPlainTextEdit click, last line, %1 lines").arg(small), plainSmall,
                  "us");
    bench::spread(QStringLiteral("reference: plain QPlainTextEdit click, last line, %1 lines").arg(big), plainBig,
                  "us");
    report("lineWithBreak on the middle line, per call", smallRuns, bigRuns, &Costs::lineText, 1, "ns");
    report("selectCaretLine on the last line", smallRuns, bigRuns, &Costs::pick, 1e3, "us");
    report("Delete (SequenceCommands::remove) of the last line", smallRuns, bigRuns, &Costs::remove, 1e3, "us");
    report("Add (SequenceCommands::add, via appendLine)", smallRuns, bigRuns, &Costs::add, 1e3, "us");

    return 0;
}
