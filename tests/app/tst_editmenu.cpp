// SPDX-License-Identifier: MIT
#include "app/statusline.h"
#include "core/undojob.h"
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QAction>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

#include <functional>
#include "support/testmain.h"

using Step = std::function<void(WindowHarness &)>;
Q_DECLARE_METATYPE(Step)

namespace {

const QString twoLines = QStringLiteral("Time1000  #0P1000S300\rTime1000  #1P1100S300\r");

void trigger(WindowHarness &h, const char *name)
{
    auto *action = h.window().findChild<QAction *>(QString::fromLatin1(name));
    if (!action)
        qFatal("no action %s", name);
    action->trigger();
}

void putCaretOn(WindowHarness &h, qsizetype line)
{
    h.editor().setSelectionStart(h.editor().lineStart(line));
    editorlines::selectCaretLine(h.editor());
}

QAction &action(WindowHarness &h, const char *name)
{
    auto *found = h.window().findChild<QAction *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no action %s", name);
    return *found;
}

// `count` lines, every interval 1000.
QString manyLines(int count)
{
    QString text;
    for (int line = 0; line < count; ++line)
        text += QStringLiteral("Time1000  #%1P1500S300\r").arg(line % 32);
    return text;
}

// One step that writes 2000 in every line's interval.
void rewriteEveryInterval(SequenceDocument &sequence)
{
    std::vector<SequenceDocument::Replacement> each;
    for (qsizetype line = 0; line < sequence.sequenceLineCount(); ++line)
        each.push_back({sequence.lineStart(line) + 4, 1, u"2"_qs});
    sequence.replaceEach(each);
}

} // namespace

// The 编辑 menu's steps over the sequence, and 载入姿态 back onto the channels.
class TestEditMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyChangeIsOneUndoStep_data()
    {
        QTest::addColumn<Step>("change");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("changedLine"); // where undo and redo put the caret
        QTest::newRow("add") << Step([](WindowHarness &h) {
            h.checkBox(2).setChecked(true);
            h.button("Command2").click();
        }) << twoLines + "Time4800  #2P1500S300\r"
                             << 2;
        QTest::newRow("modify") << Step([](WindowHarness &h) {
            putCaretOn(h, 0);
            h.checkBox(3).setChecked(true);
            h.button("Command5").click();
        }) << u"Time4800  #3P1500S300\rTime1000  #1P1100S300\r"_qs
                                << 0;
        QTest::newRow("delete") << Step([](WindowHarness &h) {
            putCaretOn(h, 0);
            h.button("Command6").click();
        }) << u"Time1000  #1P1100S300\r"_qs
                                << 0;
        QTest::newRow("duplicate") << Step([](WindowHarness &h) {
            putCaretOn(h, 1);
            trigger(h, "duplicateLineAction");
        }) << twoLines + "Time1000  #1P1100S300\r"
                                   << 1;
        QTest::newRow("move") << Step([](WindowHarness &h) {
            putCaretOn(h, 0);
            trigger(h, "moveLineDownAction");
        }) << u"Time1000  #1P1100S300\rTime1000  #0P1000S300\r"_qs
                              << 0;
    }
    void everyChangeIsOneUndoStep()
    {
        QFETCH(Step, change);
        QFETCH(QString, after);
        QFETCH(int, changedLine);
        WindowHarness h;
        h.editor().setText(twoLines);
        change(h);
        QCOMPARE(h.editor().text(), after);
        h.editor().setSelectionStart(h.editor().sequence().length());
        trigger(h, "undoAction");
        QCOMPARE(h.editor().text(), twoLines);
        QCOMPARE(editorlines::caretPosition(h.editor()).line, changedLine);
        h.editor().setSelectionStart(h.editor().sequence().length());
        trigger(h, "redoAction");
        QCOMPARE(h.editor().text(), after);
        QCOMPARE(editorlines::caretPosition(h.editor()).line, changedLine);
    }

    void linesMoveAndTheCaretStaysOnTheirs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caretLine");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("caretAfter");
        const QString abc = QStringLiteral("a\rb\rc");
        QTest::newRow("up from the first: nothing") << abc << 0 << "moveLineUpAction" << abc << 0;
        QTest::newRow("up from the last") << abc << 2 << "moveLineUpAction" << u"a\rc\rb"_qs << 1;
        QTest::newRow("down from the first") << abc << 0 << "moveLineDownAction" << u"b\ra\rc"_qs << 1;
        QTest::newRow("down from the last: nothing") << abc << 2 << "moveLineDownAction" << abc << 2;
        QTest::newRow("down onto the empty line after a final break")
            << u"a\rb\r"_qs << 1 << "moveLineDownAction" << u"a\rb\r"_qs << 1;
        QTest::newRow("duplicate the first") << abc << 0 << "duplicateLineAction" << u"a\ra\rb\rc"_qs << 0;
        QTest::newRow("duplicate the last") << abc << 2 << "duplicateLineAction" << u"a\rb\rc\rc"_qs << 2;
    }
    void linesMoveAndTheCaretStaysOnTheirs()
    {
        QFETCH(QString, text);
        QFETCH(int, caretLine);
        QFETCH(QString, action);
        QFETCH(QString, after);
        QFETCH(int, caretAfter);
        WindowHarness h;
        h.editor().setText(text);
        putCaretOn(h, caretLine);
        trigger(h, qPrintable(action));
        QCOMPARE(h.editor().text(), after);
        QCOMPARE(editorlines::caretPosition(h.editor()).line, caretAfter);
    }

    // The editor's own keys for undo and redo walk the sequence's history,
    // the operator's typing and the program's changes alike.
    void theEditorsUndoKeysWalkTheHistory_data()
    {
        QTest::addColumn<Step>("change");
        QTest::addColumn<QString>("after");
        QTest::newRow("typed") << Step([](WindowHarness &h) {
            h.editor().setSelectionStart(h.editor().sequence().length());
            QTest::keyClicks(&h.editor(), u"x1"_qs);
        }) << twoLines + u"x1"_qs;
        QTest::newRow("added") << Step([](WindowHarness &h) {
            h.checkBox(2).setChecked(true);
            h.button("Command2").click();
        }) << twoLines + "Time4800  #2P1500S300\r";
    }
    void theEditorsUndoKeysWalkTheHistory()
    {
        QFETCH(Step, change);
        QFETCH(QString, after);
        WindowHarness h;
        h.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&h.window()));
        h.editor().setText(twoLines);
        h.editor().setFocus();
        change(h);
        QCoreApplication::processEvents();
        QCOMPARE(h.editor().text(), after);
        QTest::keySequence(&h.editor(), QKeySequence::Undo);
        QCOMPARE(h.editor().text(), twoLines);
        QVERIFY(!h.editor().sequence().canUndo());
        QTest::keySequence(&h.editor(), QKeySequence::Redo);
        QCOMPARE(h.editor().text(), after);
    }

    // Once the history has dropped its oldest steps to keep within its
    // memory, the menu says so.
    void theMenuTellsOfStepsDropped()
    {
        WindowHarness h;
        h.editor().setText(twoLines);
        QAction &note = action(h, "droppedStepsNote");
        QVERIFY(!note.isVisible());
        SequenceDocument &sequence = h.editor().sequence();
        sequence.appendLine(u"a\r"_qs);
        // Room for the newest step alone.
        sequence.setHistoryLimit(sequence.historyBytes());
        QVERIFY(!note.isVisible());
        sequence.appendLine(u"b\r"_qs);
        QCOMPARE(sequence.droppedSteps(), 1);
        QVERIFY(note.isVisible());
        QVERIFY(!note.isEnabled());
        h.editor().setText(twoLines);
        QVERIFY(!note.isVisible());
    }

    // A step over more lines than a part is undone (redone) in parts, its
    // progress shown, the window answering meanwhile; it can be stopped.
    void aLongStepIsWalkedInParts_data()
    {
        QTest::addColumn<QString>("walk");
        QTest::addColumn<bool>("stopped");
        QTest::newRow("undone") << u"undoAction"_qs << false;
        QTest::newRow("redone") << u"redoAction"_qs << false;
        QTest::newRow("undoing stopped") << u"undoAction"_qs << true;
    }
    void aLongStepIsWalkedInParts()
    {
        QFETCH(QString, walk);
        QFETCH(bool, stopped);
        WindowHarness h;
        const QString start = manyLines(int(3 * UndoJob::partSize));
        h.editor().setText(start);
        SequenceDocument &sequence = h.editor().sequence();
        rewriteEveryInterval(sequence);
        const QString rewritten = sequence.text();
        const bool undoing = walk == u"undoAction";
        if (!undoing)
            sequence.undo();
        const QString from = sequence.text();
        const QString to = undoing ? start : rewritten;
        action(h, qPrintable(walk)).trigger();
        auto *progress = h.window().findChild<QProgressDialog *>(u"jobProgress"_qs);
        QVERIFY(progress);
        QVERIFY(progress->isModal());
        // A part done at once, the rest to come.
        QVERIFY(sequence.text() != from);
        QVERIFY(sequence.text() != to);
        if (stopped) {
            QCoreApplication::processEvents();
            progress->findChild<QPushButton *>()->click();
            QVERIFY(sequence.text() != to);
            // What was undone and what was not are a step each.
            QVERIFY(sequence.canUndo());
            QVERIFY(sequence.canRedo());
            sequence.undo();
            QCOMPARE(sequence.text(), start);
            sequence.redo();
            sequence.redo();
            QCOMPARE(sequence.text(), rewritten);
            return;
        }
        for (int turn = 0; turn < 100 && h.window().findChild<QProgressDialog *>(); ++turn)
            QCoreApplication::processEvents();
        QVERIFY(!h.window().findChild<QProgressDialog *>());
        QCOMPARE(sequence.text(), to);
        QCOMPARE(sequence.canUndo(), !undoing);
        QCOMPARE(sequence.canRedo(), undoing);
        // The caret on the first line changed.
        QCOMPARE(editorlines::caretPosition(h.editor()).line, 0);
    }

    void loadPosePutsTheLineOnTheChannels()
    {
        WindowHarness h;
        h.editor().setText(u"Time1000  #0P1000S300\rTime1200  #3P1700S300#5P900S300#3P1800S300\r"_qs);
        h.checkBox(7).setChecked(true);
        h.connectTo(QStringLiteral("COM1"));
        h.fake().writes.clear();
        putCaretOn(h, 1);
        trigger(h, "loadPoseAction");
        QVERIFY(h.checkBox(3).isChecked());
        QVERIFY(h.checkBox(5).isChecked());
        QVERIFY(h.checkBox(7).isChecked()); // not in the line: left as it was
        QVERIFY(!h.checkBox(0).isChecked());
        QCOMPARE(h.slider(3).value(), 1800);
        QCOMPARE(h.slider(5).value(), 900);
        QCOMPARE(h.child<QLineEdit>(u"Text2"_qs).text(), u"1200"_qs);
        // The arm glides there, all channels together, as every glide does.
        QCOMPARE(h.fake().writes, (QByteArrayList{"#3P1800#5P900T1500\r"}));
        // Modify writes the tweaked pose back to the loaded line.
        h.slider(5).setValue(950);
        h.button("Command5").click();
        QCOMPARE(h.editor().sequence().lineText(1), u"Time1200  #3P1800S300#5P950S300#7P1500S300"_qs);
    }

    void loadPoseRefusesALineThatWillNotPlayAsItReads()
    {
        WindowHarness h;
        h.editor().setText(u"Time1200 #3P1700S300"_qs);
        h.connectTo(QStringLiteral("COM1"));
        h.fake().writes.clear();
        putCaretOn(h, 0);
        trigger(h, "loadPoseAction");
        QVERIFY(!h.checkBox(3).isChecked());
        QVERIFY(h.fake().writes.isEmpty());
        QCOMPARE(h.window().findChild<StatusLine *>()->sequenceNoteText(),
                 u"第 1 行不会照所写的播放，没有载入姿态：发送 3P1700S300\\r，之后等 1200 毫秒"_qs);
    }
};

SERVO_TEST_MAIN(TestEditMenu)
#include "tst_editmenu.moc"
