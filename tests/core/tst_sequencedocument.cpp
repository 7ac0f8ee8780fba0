// SPDX-License-Identifier: MIT
#include "core/sequencedocument.h"

#include <QAbstractUndoItem>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextCursor>
#include <QTest>

#include <functional>
#include "support/testmain.h"

using Edit = std::function<void(SequenceDocument &)>;
Q_DECLARE_METATYPE(Edit)

namespace {

// The operator's edit: made in the text document, as the editor makes it.
void typeAt(SequenceDocument &document, qsizetype position, qsizetype length, const QString &text)
{
    QTextCursor cursor(&document.textDocument());
    cursor.setPosition(int(position));
    cursor.setPosition(int(position + length), QTextCursor::KeepAnchor);
    cursor.insertText(text);
}

// A step of the text document's own that changes no text.
class NoTextStep final : public QAbstractUndoItem
{
public:
    void undo() override { }
    void redo() override { }
};

// Lets the event loop run once, as it does between two keys.
void turn()
{
    QCoreApplication::processEvents();
}

// A text of `lines` lines, each told apart by `mark`.
QString lines(int lines, QChar mark)
{
    QString text;
    for (int line = 0; line < lines; ++line)
        text += QStringLiteral("Time1000  #%1P1500S300%2\r").arg(line % 32).arg(mark);
    return text;
}

} // namespace

class TestSequenceDocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void edits_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QList<qsizetype>>("lines"); // first, removed, added

        const QString abc = QStringLiteral("a\rb\rc");
        QTest::newRow("replace middle line") << abc << Edit([](SequenceDocument &d) { d.replaceLine(1, u"x"_qs); })
                                             << u"a\rx\rc"_qs << QList<qsizetype>{1, 1, 1};
        QTest::newRow("insert before first") << abc << Edit([](SequenceDocument &d) { d.insertLine(0, u"x"_qs); })
                                             << u"x\ra\rb\rc"_qs << QList<qsizetype>{0, 1, 2};
        QTest::newRow("insert past the end appends")
            << abc << Edit([](SequenceDocument &d) { d.insertLine(9, u"x"_qs); }) << u"a\rb\rc\rx"_qs
            << QList<qsizetype>{2, 1, 2};
        QTest::newRow("remove first") << abc << Edit([](SequenceDocument &d) { d.removeLine(0); }) << u"b\rc"_qs
                                      << QList<qsizetype>{0, 2, 1};
        QTest::newRow("remove last takes the break before it")
            << abc << Edit([](SequenceDocument &d) { d.removeLine(2); }) << u"a\rb"_qs << QList<qsizetype>{1, 2, 1};
        QTest::newRow("remove the only line")
            << u"a"_qs << Edit([](SequenceDocument &d) { d.removeLine(0); }) << QString() << QList<qsizetype>{0, 1, 1};
        QTest::newRow("append ends an open last line")
            << abc << Edit([](SequenceDocument &d) { d.appendLine(u"x\r"_qs); }) << u"a\rb\rc\rx\r"_qs
            << QList<qsizetype>{2, 1, 3};
        QTest::newRow("append after a final break")
            << u"a\r"_qs << Edit([](SequenceDocument &d) { d.appendLine(u"x\r"_qs); }) << u"a\rx\r"_qs
            << QList<qsizetype>{1, 1, 2};
        QTest::newRow("soft break is a line break")
            << abc << Edit([](SequenceDocument &d) { d.replaceLine(0, u"p\u2028q"_qs); }) << u"p\rq\rb\rc"_qs
            << QList<qsizetype>{0, 1, 2};
        QTest::newRow("swap first two") << abc << Edit([](SequenceDocument &d) { QVERIFY(d.swapLines(0)); })
                                        << u"b\ra\rc"_qs << QList<qsizetype>{0, 2, 2};
        QTest::newRow("swap into the open last line")
            << abc << Edit([](SequenceDocument &d) { QVERIFY(d.swapLines(1)); }) << u"a\rc\rb"_qs
            << QList<qsizetype>{1, 2, 2};
        QTest::newRow("swap before a final break")
            << u"a\rb\r"_qs << Edit([](SequenceDocument &d) { QVERIFY(d.swapLines(0)); }) << u"b\ra\r"_qs
            << QList<qsizetype>{0, 2, 2};
        QTest::newRow("duplicate first") << abc << Edit([](SequenceDocument &d) { d.duplicateLine(0); })
                                         << u"a\ra\rb\rc"_qs << QList<qsizetype>{0, 1, 2};
        QTest::newRow("duplicate the open last line") << abc << Edit([](SequenceDocument &d) { d.duplicateLine(2); })
                                                      << u"a\rb\rc\rc"_qs << QList<qsizetype>{2, 1, 2};
    }

    void swappingPastTheLastLineDoesNothing()
    {
        SequenceDocument document;
        document.setText(QStringLiteral("a\rb"));
        QVERIFY(!document.swapLines(1));
        QCOMPARE(document.text(), u"a\rb"_qs);
        QVERIFY(!document.canUndo());
    }

    void edits()
    {
        QFETCH(QString, before);
        QFETCH(Edit, edit);
        QFETCH(QString, after);
        QFETCH(QList<qsizetype>, lines);

        SequenceDocument document;
        document.setText(before);
        QSignalSpy changed(&document, &SequenceDocument::changed);
        QSignalSpy linesChanged(&document, &SequenceDocument::linesChanged);
        edit(document);
        QCOMPARE(document.text(), after);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().value<SequenceDocument::ChangeSource>(),
                 SequenceDocument::ChangeSource::Program);
        QCOMPARE(linesChanged.size(), 1);
        QCOMPARE(
            (QList<qsizetype>{linesChanged.first()[0].value<qsizetype>(), linesChanged.first()[1].value<qsizetype>(),
                              linesChanged.first()[2].value<qsizetype>()}),
            lines);
        // Every edit is one step of the undo history.
        document.undo();
        QCOMPARE(document.text(), before);
        QVERIFY(!document.canUndo());
        document.redo();
        QCOMPARE(document.text(), after);
    }

    void linesAsPlaybackFetchesThem()
    {
        SequenceDocument document;
        document.setText(QStringLiteral("a\r\nb\nc\r"));
        QCOMPARE(document.lineCount(), 4);
        QCOMPARE(document.lineWithBreak(0), std::optional(u"a\r"_qs));
        QCOMPARE(document.lineWithBreak(2), std::optional(u"c\r"_qs));
        QCOMPARE(document.lineWithBreak(3), std::optional(QString()));
        QCOMPARE(document.lineWithBreak(4), std::nullopt);
        QCOMPARE(document.textRange(document.lineStart(1), 5), u"b\rc\r"_qs);
        QCOMPARE(document.lineAt(99), 3);
    }

    void setTextLeavesNoUndoStep()
    {
        SequenceDocument document;
        document.setText(QStringLiteral("a\rb"));
        QVERIFY(!document.canUndo());
    }

    // The file opened into the text belongs to its step of the history.
    void theSourceFollowsTheHistory_data()
    {
        QTest::addColumn<QString>("steps"); // a, b: open a.txt, b.txt; e: edit; u: undo; r: redo; s: saved
        QTest::addColumn<QString>("source");
        QTest::newRow("opened") << "a"
                                << "a.txt";
        QTest::newRow("opened, undone") << "au"
                                        << "";
        QTest::newRow("opened, undone, redone") << "aur"
                                                << "a.txt";
        QTest::newRow("opened twice, undone once") << "abu"
                                                   << "a.txt";
        QTest::newRow("opened, edited, undone") << "aeu"
                                                << "a.txt";
        QTest::newRow("opened, undone, edited: no redo") << "auer"
                                                         << "";
        QTest::newRow("opened, saved") << "as"
                                       << "";
        QTest::newRow("opened, saved, undone, redone") << "asur"
                                                       << "";
        QTest::newRow("opened, saved, opened, undone") << "asbu"
                                                       << "";
    }
    void theSourceFollowsTheHistory()
    {
        QFETCH(QString, steps);
        QFETCH(QString, source);
        SequenceDocument document;
        document.setText(QStringLiteral("x\r"));
        QString last;
        connect(&document, &SequenceDocument::sourceChanged, this, [&] { last = document.source(); });
        for (const QChar step : steps) {
            if (step == u'a' || step == u'b')
                document.open(QString(step) + u'\r', QString(step) + u".txt"_qs);
            else if (step == u'e')
                document.appendLine(QStringLiteral("e\r"));
            else if (step == u'u')
                document.undo();
            else if (step == u'r')
                document.redo();
            else
                document.clearSource();
        }
        QCOMPARE(document.source(), source);
        // Every change of it was told.
        QCOMPARE(last, source);
    }

    void typingIsTheOperators()
    {
        SequenceDocument document;
        QSignalSpy changed(&document, &SequenceDocument::changed);
        QTextCursor(&document.textDocument()).insertText(QStringLiteral("x"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().value<SequenceDocument::ChangeSource>(),
                 SequenceDocument::ChangeSource::Operator);
    }

    // The operator's edits go into the document's own history, what one turn
    // of the event loop brings one step (keystrokes typed on join, as in a
    // text editor), and the text document is left holding none of them.
    void theOperatorsEditsAreTakenOver_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<Edit>("edits");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("oneUndone"); // the text once the last step is undone
        const QString abc = QStringLiteral("a\rb\rc");
        QTest::newRow("keys typed on") << abc << Edit([](SequenceDocument &d) {
            for (const QChar key : u"xyz"_qs) {
                typeAt(d, d.length(), 0, key);
                turn();
            }
        }) << abc + u"xyz"_qs << 1 << abc;
        QTest::newRow("edits in one turn") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 1, 0, u"x"_qs);
            typeAt(d, 4, 0, u"y\rz"_qs);
            typeAt(d, 0, 1, QString());
        }) << u"x\rby\rz\rc"_qs << 1 << abc;
        QTest::newRow("a key over a selection") << abc << Edit([](SequenceDocument &d) {
            QTextCursor cursor(&d.textDocument());
            cursor.setPosition(2);
            cursor.setPosition(5, QTextCursor::KeepAnchor);
            const SequenceDocument::OperatorEdit edit(d, cursor);
            cursor.insertText(u"p\rq"_qs);
        }) << u"a\rp\rq"_qs << 1 << abc;
        QTest::newRow("Backspace at a line's start") << abc << Edit([](SequenceDocument &d) {
            QTextCursor cursor(&d.textDocument());
            cursor.setPosition(4);
            const SequenceDocument::OperatorEdit edit(d, cursor);
            cursor.deletePreviousChar();
            cursor.deletePreviousChar();
        }) << u"a\rc"_qs << 1 << abc;
        QTest::newRow("a key after an edit not yet taken over") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 0, 1, u"z"_qs);
            QTextCursor cursor(&d.textDocument());
            cursor.setPosition(2);
            cursor.setPosition(5, QTextCursor::KeepAnchor);
            const SequenceDocument::OperatorEdit edit(d, cursor);
            cursor.insertText(u"p"_qs);
        }) << u"z\rp"_qs << 1 << abc;
        QTest::newRow("the program edits within a key") << abc << Edit([](SequenceDocument &d) {
            QTextCursor cursor(&d.textDocument());
            cursor.setPosition(2);
            cursor.setPosition(5, QTextCursor::KeepAnchor);
            const SequenceDocument::OperatorEdit edit(d, cursor);
            cursor.insertText(u"x"_qs);
            d.replace(0, 1, u"yz"_qs);
            typeAt(d, 3, 1, u"w"_qs);
        }) << u"yz\rw"_qs << 3 << u"yz\rx"_qs;
        QTest::newRow("an edit the text document took back") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 1, 1, u"x"_qs);
            d.textDocument().undo();
        }) << abc << 0 << abc;
        QTest::newRow("keys in turns of their own") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 1, 0, u"x"_qs);
            turn();
            typeAt(d, 4, 0, u"y"_qs);
        }) << u"ax\rby\rc"_qs << 2 << u"ax\rb\rc"_qs;
        QTest::newRow("a line break between keys") << abc << Edit([](SequenceDocument &d) {
            for (const QString &key : {u"x"_qs, u"\r"_qs, u"y"_qs}) {
                typeAt(d, d.length(), 0, key);
                turn();
            }
        }) << abc + u"x\ry"_qs << 3 << abc + u"x\r"_qs;
        QTest::newRow("pasted over all") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 0, d.length(), lines(50, u'p'));
            turn();
            typeAt(d, 0, d.length(), lines(40, u'q'));
            turn();
        }) << lines(40, u'q') << 2 << lines(50, u'p');
        QTest::newRow("an edit joined to the one before") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 1, 0, u"xy"_qs);
            QTextCursor cursor(&d.textDocument());
            cursor.joinPreviousEditBlock();
            cursor.setPosition(4);
            cursor.setPosition(5, QTextCursor::KeepAnchor);
            cursor.insertText(u"zz"_qs);
            cursor.endEditBlock();
        }) << u"axy\rzz\rc"_qs << 1 << abc;
        QTest::newRow("a step without text between edits") << abc << Edit([](SequenceDocument &d) {
            typeAt(d, 0, 1, u"x"_qs);
            d.textDocument().appendUndoItem(new NoTextStep);
            typeAt(d, 4, 1, u"y"_qs);
        }) << u"x\rb\ry"_qs << 1 << abc;
        QTest::newRow("between program edits") << abc << Edit([](SequenceDocument &d) {
            d.appendLine(u"p\r"_qs);
            typeAt(d, 0, 1, u"x"_qs);
            d.replaceLine(1, u"q"_qs);
        }) << u"x\rq\rc\rp\r"_qs << 3 << u"x\rb\rc\rp\r"_qs;
    }
    void theOperatorsEditsAreTakenOver()
    {
        QFETCH(QString, start);
        QFETCH(Edit, edits);
        QFETCH(QString, after);
        QFETCH(int, steps);
        QFETCH(QString, oneUndone);
        SequenceDocument document;
        document.setText(start);
        edits(document);
        turn();
        QCOMPARE(document.text(), after);
        QCOMPARE(document.textDocument().availableUndoSteps(), 0);
        if (document.canUndo()) {
            document.undo();
            QCOMPARE(document.text(), oneUndone);
            document.redo();
        }
        int undone = 0;
        for (; document.canUndo(); ++undone)
            document.undo();
        QCOMPARE(undone, steps);
        QCOMPARE(document.text(), start);
        while (document.canRedo())
            document.redo();
        QCOMPARE(document.text(), after);
    }

    // A key that changed the text beyond what was read before it (none
    // does) leaves nothing that can be undone over it, and says so.
    void aKeyBeyondWhatWasReadDropsTheHistory()
    {
        SequenceDocument document;
        document.setText(u"a\rb\rc\rd\re"_qs);
        document.appendLine(u"f"_qs);
        QTextCursor cursor(&document.textDocument());
        {
            const SequenceDocument::OperatorEdit edit(document, cursor);
            cursor.setPosition(8);
            cursor.insertText(u"x"_qs);
        }
        QCOMPARE(document.text(), u"a\rb\rc\rd\rxe\rf"_qs);
        QVERIFY(!document.canUndo());
        QCOMPARE(document.droppedSteps(), 1);
        QVERIFY(document.isModified());
    }

    // The operator's edit counts at once, before it is taken over.
    void theOperatorsEditCountsAtOnce()
    {
        SequenceDocument document;
        document.setText(u"a\rb"_qs);
        document.setModified(false);
        document.appendLine(u"c"_qs);
        document.undo();
        QVERIFY(!document.isModified());
        QVERIFY(document.canRedo());
        QSignalSpy modified(&document, &SequenceDocument::modificationChanged);
        QSignalSpy history(&document, &SequenceDocument::historyChanged);
        typeAt(document, 0, 0, u"x"_qs);
        QVERIFY(document.isModified());
        QCOMPARE(modified.size(), 1);
        QVERIFY(document.canUndo());
        QVERIFY(!document.canRedo());
        QCOMPARE(history.size(), 1);
        document.undo();
        QCOMPARE(document.text(), u"a\rb"_qs);
        QVERIFY(!document.isModified());
        // The line undone before went with the edit.
        document.redo();
        QCOMPARE(document.text(), u"xa\rb"_qs);
        QVERIFY(!document.canRedo());
    }

    // The history holds at most its limit: past it, the oldest steps go.
    void theHistoryKeepsWithinItsLimit_data()
    {
        QTest::addColumn<bool>("byTheOperator");
        QTest::newRow("the operator's pastes") << true;
        QTest::newRow("the program's replacements") << false;
    }
    void theHistoryKeepsWithinItsLimit()
    {
        QFETCH(bool, byTheOperator);
        constexpr int replacements = 12;
        constexpr int lineCount = 200;
        SequenceDocument document;
        document.setText(lines(lineCount, u'@'));
        // Room for about four of the texts replaced.
        const qsizetype limit = 4 * document.length() * qsizetype(sizeof(QChar));
        document.setHistoryLimit(limit);
        QSignalSpy history(&document, &SequenceDocument::historyChanged);
        QStringList texts{document.text()};
        for (int replacement = 0; replacement < replacements; ++replacement) {
            const QString text = lines(lineCount, QChar(u'a' + replacement));
            if (byTheOperator)
                typeAt(document, 0, document.length(), text);
            else
                document.replace(0, document.length(), text);
            turn();
            texts.append(document.text());
            QVERIFY(document.historyBytes() <= limit);
        }
        QVERIFY(document.droppedSteps() > 0);
        QVERIFY(!history.isEmpty());
        int undone = 0;
        for (; document.canUndo(); ++undone)
            document.undo();
        QCOMPARE(document.droppedSteps(), replacements - undone);
        QVERIFY(undone >= 3);
        QCOMPARE(document.text(), texts[replacements - undone]);
    }

    // A long step undone in parts; a change made meanwhile ends the work there,
    // the part undone and the part not each a step.
    void aLongStepIsUndoneInParts_data()
    {
        QTest::addColumn<int>("parts");     // of ten replacements each, before the change
        QTest::addColumn<bool>("changeBy"); // true: the operator, false: the program
        QTest::newRow("to the end") << 10 << false;
        QTest::newRow("the operator types meanwhile") << 4 << true;
        QTest::newRow("the program edits meanwhile") << 4 << false;
    }
    void aLongStepIsUndoneInParts()
    {
        QFETCH(int, parts);
        QFETCH(bool, changeBy);
        constexpr int lineCount = 100;
        SequenceDocument document;
        const QString start = lines(lineCount, u'@');
        document.setText(start);
        // One step over every line, made in two calls.
        quint64 step = 0;
        for (int half = 0; half < 2; ++half) {
            std::vector<SequenceDocument::Replacement> each;
            for (int line = half * lineCount / 2; line < (half + 1) * lineCount / 2; ++line)
                each.push_back({document.lineStart(line) + 4, 4, u"2000"_qs});
            step = document.replaceEach(each, step);
            QVERIFY(step != 0);
        }
        const QString stretched = document.text();
        QCOMPARE(document.undoSize(), lineCount);
        QSignalSpy linesChanged(&document, &SequenceDocument::linesChanged);
        const quint64 token = document.beginInParts(EditHistory::Direction::Undo);
        QVERIFY(token != 0);
        for (int part = 0; part < parts && document.inParts(token); ++part) {
            // The last lines first.
            QCOMPARE(document.doPart(token, lineCount / 10), lineCount - (part + 1) * lineCount / 10);
            QCOMPARE(linesChanged.size(), part + 1);
        }
        const int undone = parts * lineCount / 10;
        // The replacements keep the length of the text: lines start where they did.
        const qsizetype split = document.lineStart(lineCount - undone);
        const QString between = stretched.left(split) + start.mid(split);
        QString last = stretched; // the text once all is redone
        if (undone < lineCount) {
            if (changeBy)
                typeAt(document, 0, 0, u"x"_qs);
            else
                document.appendLine(u"x"_qs);
            turn();
            QVERIFY(!document.inParts(token));
            QCOMPARE(document.doPart(token, lineCount), -1);
            // What was undone went with the change; the change itself is the last step.
            last = document.text();
            document.undo();
        }
        document.endInParts(token);
        QCOMPARE(document.text(), between);
        while (document.canUndo())
            document.undo();
        QCOMPARE(document.text(), start);
        while (document.canRedo())
            document.redo();
        QCOMPARE(document.text(), last);
    }

    void nestedProgramEditsAreOneChange()
    {
        SequenceDocument document;
        QSignalSpy changed(&document, &SequenceDocument::changed);
        {
            SequenceDocument::ProgramEdit outer(document);
            document.appendLine(QStringLiteral("a\r"));
            document.appendLine(QStringLiteral("b\r"));
            QCOMPARE(changed.size(), 0);
        }
        QCOMPARE(changed.size(), 1);
    }
};

SERVO_TEST_MAIN(TestSequenceDocument)
#include "tst_sequencedocument.moc"
