// SPDX-License-Identifier: MIT
#include "core/sequencedocument.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <QTest>

#include <functional>
#include "support/testmain.h"

using Edit = std::function<void(SequenceDocument &)>;
Q_DECLARE_METATYPE(Edit)

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
