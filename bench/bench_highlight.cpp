// SPDX-License-Identifier: MIT
// What the line marks cost when a long sequence is loaded: the editor's
// setText of 100,000 lines up to the first paint, without marks (the
// reference), with the marks of the lines in view (LineHighlighter), and with a
// QSyntaxHighlighter that applies the same rule to every line, for lines that
// all play as they read and lines that are all marked; and the whole window's
// start-up on such a cmd.txt.

#include "benchutil.h"

#include "app/program.h"
#include "core/linecheck.h"
#include "core/posetimeline.h"
#include "link/qtserialport.h"
#include "sequence/linehighlighter.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSyntaxHighlighter>
#include <QTemporaryDir>

#include <memory>

namespace {

constexpr int lineCount = 100'000;
constexpr int runs = 5;

// The same marks made the way QSyntaxHighlighter makes them: every line, on
// every load.
class WholeDocumentHighlighter final : public QSyntaxHighlighter
{
public:
    using QSyntaxHighlighter::QSyntaxHighlighter;

protected:
    void highlightBlock(const QString &text) override
    {
        if (linecheck::playsAsWritten(text))
            return;
        QTextCharFormat mark;
        mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        mark.setUnderlineColor(Qt::red);
        setFormat(0, int(text.size()), mark);
    }
};

enum class Marks { None, InView, WholeDocument };

// setText up to the first paint, in ms.
double loadOnce(const QString &text, Marks marks)
{
    SequenceEditor editor;
    editor.resize(660, 130);
    PoseTimeline timeline(editor.sequence());
    if (marks == Marks::InView)
        new LineHighlighter(editor, timeline);
    else if (marks == Marks::WholeDocument)
        new WholeDocumentHighlighter(editor.document());
    bench::PaintWatch watch;
    editor.viewport()->installEventFilter(&watch);
    editor.show();
    bench::waitForPaint(watch);
    watch.painted = false;
    const double ns = bench::timeOnce([&] {
        editor.setText(text);
        bench::waitForPaint(watch);
    });
    if (editor.lineCount() != lineCount + 1)
        qFatal("load went wrong");
    return ns / 1e6;
}

void report(const QString &what, const QList<double> &ms)
{
    bench::figure(what + QStringLiteral(", min"), bench::percentile(ms, 0), "ms");
    bench::figure(what + QStringLiteral(", median"), bench::median(ms), "ms");
    bench::figure(what + QStringLiteral(", max"), bench::percentile(ms, 100), "ms");
}

void measureEditor(const char *what, const QString &text)
{
    loadOnce(text, Marks::WholeDocument); // warm-up
    QList<double> plain, inView, wholeDocument;
    // Interleaved, so that drift of the machine touches all alike.
    for (int run = 0; run < runs; ++run) {
        plain.append(loadOnce(text, Marks::None));
        inView.append(loadOnce(text, Marks::InView));
        wholeDocument.append(loadOnce(text, Marks::WholeDocument));
    }
    report(QStringLiteral("%1: no marks (reference)").arg(what), plain);
    report(QStringLiteral("%1: marks in view (LineHighlighter)").arg(what), inView);
    report(QStringLiteral("%1: every line (QSyntaxHighlighter)").arg(what), wholeDocument);
}

double startWindowOnce(const QString &path)
{
    RecordingNotifier notifier;
    bench::PaintWatch watch;
    const QString journal = QFileInfo(path).dir().filePath(QStringLiteral("last-sent-pose.json"));
    return bench::timeOnce([&] {
               Program program({std::make_unique<QtSerialPort>(), &notifier, [] { return QStringList(); }, path,
                                SequenceFileMenu::fileDialogs(), nullptr, journal});
               MainWindow &window = program.window();
               window.installEventFilter(&watch);
               window.show();
               bench::waitForPaint(watch);
           })
           / 1e6;
}

// Every line with a three-digit time and two blanks: its first '#' is not sent.
QString markedText()
{
    QString text = bench::sequenceText(lineCount);
    text.replace(QStringLiteral("Time"), QStringLiteral("Time4"));
    return text.replace(QStringLiteral("  #"), QStringLiteral(" #"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bench::heading("loading 100,000 lines into the sequence editor (offscreen)");
    measureEditor("lines as recorded", bench::sequenceText(lineCount));
    measureEditor("every line marked", markedText());

    bench::heading("start-up on a 100,000-line cmd.txt (the window marks the lines in view)");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cmd.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bench::sequenceFile(lineCount)) < 0)
        qFatal("cannot write %s", qPrintable(path));
    file.close();
    startWindowOnce(path);
    QList<double> ms;
    for (int run = 0; run < runs; ++run)
        ms.append(startWindowOnce(path));
    report(QStringLiteral("MainWindow constructed, shown and painted"), ms);
    return 0;
}
