// The sequence editor's line routines on a short and a long sequence: each must
// cost the same whatever the length of the text.

#include "benchutil.h"

#include "sequence/editorlines.h"
#include "sequence/sequencecommands.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"

#include <QApplication>

namespace {

constexpr int small = 100;
constexpr int big = 100000;
constexpr int runs = 300;

struct Costs {
    double lineText = 0; // ns per call
    double pick = 0;     // ns, medians from here on
    double remove = 0;
    double add = 0;
};

// An editor as the window has it: shown, with Add/Delete and line picking wired.
struct Sequence {
    RecordingNotifier notifier;
    SequenceEditor editor;
    SequenceCommands *commands;

    explicit Sequence(int lines)
        : commands(new SequenceCommands(editor, notifier, [lines] { return bench::sequenceLine(lines - 1); }, &editor))
    {
        editor.resize(650, 130);
        editor.setText(bench::sequenceText(lines));
        editor.show();
        QCoreApplication::processEvents();
    }
    // The text ends with a CR: the last sequence line is the one before the empty last line.
    qsizetype lastLine() const { return editor.lineCount() - 2; }
    void caretOnLastLine() { editor.setSelectionStart(editor.lineStart(lastLine())); }
};

Costs measure(int lines)
{
    Sequence s(lines);
    Costs costs;
    volatile qsizetype sink = 0;
    const qsizetype middle = lines / 2;
    costs.lineText = bench::median(bench::timeBatches(101, 1000, [&] { sink = sink + GetLineText(s.editor, middle)->size(); }));

    // Each round leaves the text as it found it: Delete takes the last line, Add puts it back.
    const QString before = s.editor.text();
    QList<double> pick, remove, add;
    for (int run = 0; run < runs; ++run) {
        s.caretOnLastLine();
        pick.append(bench::timeOnce([&] { SelectCaretLine(s.editor); }));
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
    return costs;
}

void report(const char *what, double smallCost, double bigCost, const char *unit)
{
    bench::figure(QStringLiteral("%1, %2 lines").arg(what).arg(small), smallCost, unit);
    bench::figure(QStringLiteral("%1, %2 lines").arg(what).arg(big), bigCost, unit);
    bench::figure(QStringLiteral("%1, ratio %2/%3").arg(what).arg(big).arg(small), bigCost / smallCost, "x");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bench::heading("sequence editor: cost against length of text (medians)");
    measure(small); // warm-up
    const Costs s = measure(small);
    const Costs b = measure(big);
    report("GetLineText on the middle line, per call", s.lineText, b.lineText, "ns");
    report("click picking (SelectCaretLine) on the last line", s.pick / 1e3, b.pick / 1e3, "us");
    report("Delete (SequenceCommands::remove) of the last line", s.remove / 1e3, b.remove / 1e3, "us");
    report("Add (SequenceCommands::add, via appendLine)", s.add / 1e3, b.add / 1e3, "us");
    return 0;
}
