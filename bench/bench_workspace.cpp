// SPDX-License-Identifier: MIT
// What the workspace costs. A keystroke in a 100,000-line sequence up to the
// editor's repaint: a bare editor (the reference), with the line marks (which
// read each line's timing from the fold), the main window without and with the
// workspace open.
// Opening the workspace on 1,000,000 lines up to its first screen (table and
// timeline painted), against loading that text into the document (the
// reference); then folding the whole sequence, slice by slice.

#include "benchutil.h"

#include "app/mainwindow.h"
#include "app/program.h"
#include "core/posetimeline.h"
#include "core/sequencedocument.h"
#include "link/qtserialport.h"
#include "sequence/linehighlighter.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"
#include "workspace/timelineview.h"
#include "workspace/workspacewindow.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr int runs = 5;
constexpr int keyRuns = 9;
constexpr int keystrokes = 40;

// Types into an editor, a keystroke at a time, each to the editor's repaint.
class Typist
{
public:
    explicit Typist(SequenceEditor &editor) : m_editor(editor)
    {
        editor.viewport()->installEventFilter(&m_watch);
        editor.setSelectionStart(editor.lineStart(editor.lineCount() / 2) + 12);
        editor.centerCursor();
    }
    // ms per keystroke over one run of keystrokes.
    double typeOnce()
    {
        const double ns = bench::timeOnce([&] {
            for (int key = 0; key < keystrokes; ++key) {
                m_watch.painted = false;
                QTest::keyClick(&m_editor, key % 2 ? Qt::Key_Backspace : Qt::Key_5);
                bench::waitForPaint(m_watch);
            }
        });
        return ns / keystrokes / 1e6;
    }

private:
    SequenceEditor &m_editor;
    bench::PaintWatch m_watch;
};

// Runs interleaved, so that drift of the machine touches each alike.
void compare(const QList<std::pair<QString, Typist *>> &typists)
{
    QList<QList<double>> perKey(typists.size());
    for (const auto &[label, typist] : typists)
        typist->typeOnce(); // warm-up
    for (int run = 0; run < keyRuns; ++run) {
        for (qsizetype at = 0; at < typists.size(); ++at)
            perKey[at].append(typists[at].second->typeOnce());
    }
    for (qsizetype at = 0; at < typists.size(); ++at)
        bench::spread(typists[at].first, perKey[at], "ms");
}

void keystrokes100k()
{
    bench::heading("a keystroke in 100,000 lines, key to repaint (min / median / max)");
    const QString text = bench::sequenceText(100'000);
    {
        // The editor and its marks go before the timeline and the text they read.
        SequenceDocument markedText;
        PoseTimeline timeline(markedText);
        SequenceEditor bare;
        SequenceEditor marked(markedText);
        new LineHighlighter(marked, timeline);
        for (SequenceEditor *editor : {&bare, &marked}) {
            editor->resize(660, 130);
            editor->setText(text);
            editor->show();
        }
        Typist bareTypist(bare);
        Typist markedTypist(marked);
        compare({{QStringLiteral("bare editor (reference)"), &bareTypist},
                 {QStringLiteral("with the line marks and their timing"), &markedTypist}});
    }
    QTemporaryDir dir;
    RecordingNotifier notifier;
    Program program({std::make_unique<QtSerialPort>(), &notifier, [] { return QStringList(); },
                     dir.filePath(QStringLiteral("cmd.txt")), SequenceFileMenu::fileDialogs(), nullptr,
                     dir.filePath(QStringLiteral("last-sent-pose.json"))});
    MainWindow &window = program.window();
    auto *editor = window.findChild<SequenceEditor *>(QStringLiteral("RichTextBox1"));
    editor->setText(text);
    window.show();
    Typist typist(*editor);
    compare({{QStringLiteral("main window (reference for the next)"), &typist}});
    window.findChild<QAction *>(QStringLiteral("workspaceAction"))->trigger();
    compare({{QStringLiteral("main window with the workspace open"), &typist}});
}

void open1M()
{
    bench::heading("the workspace on 1,000,000 lines");
    const QString text = bench::sequenceText(1'000'000);
    QList<double> load;
    QList<double> firstScreen;
    QList<double> fold;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir dir;
        RecordingNotifier notifier;
        Program program({std::make_unique<QtSerialPort>(), &notifier, [] { return QStringList(); },
                         dir.filePath(QStringLiteral("cmd.txt")), SequenceFileMenu::fileDialogs(), nullptr,
                         dir.filePath(QStringLiteral("last-sent-pose.json"))});
        MainWindow &window = program.window();
        auto *editor = window.findChild<SequenceEditor *>(QStringLiteral("RichTextBox1"));
        load.append(bench::timeOnce([&] { editor->setText(text); }) / 1e6);
        window.show();
        QCoreApplication::processEvents();
        bench::PaintWatch table;
        bench::PaintWatch timeline;
        WorkspaceWindow *workspace = nullptr;
        firstScreen.append(bench::timeOnce([&] {
                               window.findChild<QAction *>(QStringLiteral("workspaceAction"))->trigger();
                               workspace = window.findChild<WorkspaceWindow *>(QStringLiteral("workspace"));
                               workspace->table().viewport()->installEventFilter(&table);
                               workspace->timelineView().viewport()->installEventFilter(&timeline);
                               bench::waitForPaint(table);
                               bench::waitForPaint(timeline);
                           })
                           / 1e6);
        fold.append(bench::timeOnce([&] {
                        while (!workspace->timeline().foldMore(PoseTimeline::chunk * 32)) { }
                    })
                    / 1e6);
    }
    bench::spread(QStringLiteral("setText of the text into the document (reference)"), load, "ms");
    bench::spread(QStringLiteral("open the workspace: table and timeline painted"), firstScreen, "ms");
    bench::spread(QStringLiteral("fold the rest of the sequence (run in slices while open)"), fold, "ms");
}

} // namespace

int main(int argc, char **argv)
{
    // `bench_workspace keys`: the keystrokes only.
    const bool keysOnly = argc > 1 && qstrcmp(argv[1], "keys") == 0;
    // The windows keep their settings and recovery copies in a home of their own.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/share"))));
    QApplication app(argc, argv);
    keystrokes100k();
    if (!keysOnly)
        open1M();
    return 0;
}
