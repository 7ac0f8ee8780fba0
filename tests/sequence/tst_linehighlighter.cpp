// SPDX-License-Identifier: MIT
#include "sequence/linehighlighter.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QHelpEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolTip>
#include "support/testmain.h"

#include <functional>

namespace {

const QString goodLine = QStringLiteral("Time4800  #5P2500S300");
const QString badLine = QStringLiteral("Time480  #5P2500S300"); // the '#' at character 10 is not sent

// The underlines on `line`, as (start, length) pairs, after a paint.
QList<QPair<int, int>> marks(SequenceEditor &editor, int line)
{
    editor.viewport()->repaint();
    QList<QPair<int, int>> found;
    for (const QTextEdit::ExtraSelection &mark : editor.extraSelections()) {
        const int start = mark.cursor.selectionStart();
        const QTextBlock block = editor.document()->findBlock(start);
        if (block.blockNumber() == line && mark.format.underlineStyle() == QTextCharFormat::WaveUnderline)
            found.append({start - block.position(), mark.cursor.selectionEnd() - start});
    }
    return found;
}

struct Editors {
    Editors()
    {
        for (SequenceEditor *editor : {&plain, &marked}) {
            editor->resize(480, 320);
            editor->show();
            if (!QTest::qWaitForWindowExposed(editor))
                qFatal("the editor is not shown");
        }
    }
    SequenceEditor plain;
    SequenceEditor marked;
    PoseTimeline timeline{marked.sequence()};
    LineHighlighter highlighter{marked, timeline};
};

using Edit = std::function<void(SequenceEditor &)>;

} // namespace

class TestLineHighlighter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void marksTheLinesThatDoNotPlayAsTheyRead()
    {
        Editors e;
        e.marked.setText(goodLine + u'\r' + badLine + u'\r' + u'\r' + QStringLiteral("Time4800  \r"));
        QCOMPARE(marks(e.marked, 0), {});
        QCOMPARE(marks(e.marked, 1), (QList<QPair<int, int>>{{0, int(badLine.size())}}));
        QCOMPARE(marks(e.marked, 2), {});
        QCOMPARE(marks(e.marked, 3), {});
        QCOMPARE(marks(e.marked, 4), {});

        // The operator mends the line: the mark goes; spoils another: it comes.
        QTextCursor cursor(e.marked.document());
        cursor.setPosition(e.marked.document()->findBlockByNumber(1).position() + 7);
        cursor.insertText(QStringLiteral("0"));
        QCOMPARE(marks(e.marked, 1), {});
        cursor.setPosition(e.marked.document()->findBlockByNumber(0).position() + 10);
        cursor.insertText(QStringLiteral(" "));
        QCOMPARE(marks(e.marked, 0), (QList<QPair<int, int>>{{0, int(goodLine.size()) + 1}}));
    }

    void marksALineThatCannotKeepItsTime()
    {
        Editors e;
        // 1000 µs at 300 µs/s: 3.3 s, in a line of 1 s; the next one has time.
        e.marked.setText(u"Time1000  #5P2500S300\rTime4000  #5P1500S300"_qs);
        e.marked.viewport()->repaint();
        QList<QTextCharFormat::UnderlineStyle> styles;
        for (const QTextEdit::ExtraSelection &mark : e.marked.extraSelections())
            styles.append(mark.format.underlineStyle());
        QCOMPARE(styles, {QTextCharFormat::DashUnderline});
        QCOMPARE(e.marked.extraSelections().first().cursor.blockNumber(), 0);
        QCOMPARE(e.highlighter.toolTipFor(0), u"来不及到位 需要 3340 ms，间隔 1000 ms"_qs);
        QCOMPARE(e.highlighter.toolTipFor(1), QString());
    }

    // The same edits on an editor with and one without the highlighter leave the
    // same text, undo steps, modified state, selection and change signals.
    void leavesTheTextAlone_data()
    {
        QTest::addColumn<Edit>("edit");

        QTest::newRow("load") << Edit([](SequenceEditor &editor) { editor.setText(badLine + u'\r' + goodLine); });
        QTest::newRow("append") << Edit([](SequenceEditor &editor) { editor.appendLine(badLine + u'\r'); });
        QTest::newRow("replace selection") << Edit([](SequenceEditor &editor) {
            editor.setSelectionStart(0);
            editor.setSelectionLength(goodLine.size());
            editor.setSelectedText(badLine);
        });
        QTest::newRow("operator types") << Edit([](SequenceEditor &editor) {
            editor.setSelectionStart(4);
            QTest::keyClicks(&editor, QStringLiteral("12"));
        });
        QTest::newRow("colour a marked line") << Edit([](SequenceEditor &editor) {
            editor.setSelectionStart(goodLine.size() + 1);
            editor.setSelectionLength(badLine.size() + 1);
            editor.setSelectionColor(Qt::red);
        });
    }
    void leavesTheTextAlone()
    {
        QFETCH(Edit, edit);
        Editors e;
        for (SequenceEditor *editor : {&e.plain, &e.marked}) {
            editor->setText(goodLine + u'\r' + badLine + u'\r');
            editor->sequence().setModified(false);
        }
        QVERIFY(!marks(e.marked, 1).isEmpty());
        QSignalSpy plainChanges(&e.plain.sequence(), &SequenceDocument::changed);
        QSignalSpy markedChanges(&e.marked.sequence(), &SequenceDocument::changed);
        QSignalSpy plainContents(e.plain.document(), &QTextDocument::contentsChanged);
        QSignalSpy markedContents(e.marked.document(), &QTextDocument::contentsChanged);

        edit(e.plain);
        edit(e.marked);
        QCoreApplication::processEvents();

        QCOMPARE(e.marked.text(), e.plain.text());
        QCOMPARE(e.marked.sequence().canUndo(), e.plain.sequence().canUndo());
        QCOMPARE(e.marked.sequence().undoSize(), e.plain.sequence().undoSize());
        QCOMPARE(e.marked.sequence().isModified(), e.plain.sequence().isModified());
        QCOMPARE(e.marked.textCursor().selectionStart(), e.plain.textCursor().selectionStart());
        QCOMPARE(e.marked.textCursor().selectionEnd(), e.plain.textCursor().selectionEnd());
        QCOMPARE(markedChanges.size(), plainChanges.size());
        QCOMPARE(markedContents.size(), plainContents.size());
    }

    void playbackColoursAMarkedLineBlack()
    {
        WindowHarness h({QByteArray("Time4800  x#5P1500S300\r"), nullptr, {}});
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        SequenceEditor &editor = h.editor();
        QCOMPARE(marks(editor, 0), (QList<QPair<int, int>>{{0, 22}}));
        editor.setSelectionStart(0);
        editor.setSelectionLength(22);
        editor.setSelectionColor(Qt::blue);

        h.connectTo(QStringLiteral("COM1"));
        h.button("RunCommand").click();
        QTRY_COMPARE(h.fake().writes, QByteArrayList{"x#5P1500S300\r"});
        QCOMPARE(editor.selectedText(), QStringLiteral("Time4800  x#5P1500S300\r"));
        // The mark is an underline only; the played line's black shows through.
        const QTextBlock block = editor.document()->firstBlock();
        for (auto it = block.begin(); !it.atEnd(); ++it)
            QCOMPARE(it.fragment().charFormat().foreground().color(), QColor(Qt::black));
        QCOMPARE(marks(editor, 0), (QList<QPair<int, int>>{{0, 22}}));
        for (const QTextEdit::ExtraSelection &mark : editor.extraSelections())
            QVERIFY(!mark.format.hasProperty(QTextFormat::ForegroundBrush));
    }

    // Only the lines in view are looked at, so a long sequence costs no more to
    // load; scrolled into view, a line is marked.
    void marksTheLinesInView()
    {
        Editors e;
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += badLine + u'\r';
        e.marked.setText(text);
        QCOMPARE(marks(e.marked, 0).size(), 1);
        QVERIFY(e.marked.extraSelections().size() < 100);
        QCOMPARE(marks(e.marked, 1999).size(), 0);
        e.marked.verticalScrollBar()->setValue(e.marked.verticalScrollBar()->maximum());
        QCOMPARE(marks(e.marked, 1999).size(), 1);
        QCOMPARE(marks(e.marked, 0).size(), 0);
    }

    void keepsOtherExtraSelections()
    {
        Editors e;
        e.marked.setText(goodLine + u'\r' + badLine + u'\r');
        QTextEdit::ExtraSelection other{QTextCursor(e.marked.document()), {}};
        other.cursor.select(QTextCursor::LineUnderCursor);
        other.format.setBackground(Qt::yellow);
        e.marked.setExtraSelections({other});
        QCOMPARE(marks(e.marked, 1).size(), 1);
        QCOMPARE(e.marked.extraSelections().size(), 2);
        QCOMPARE(e.marked.extraSelections().first().format.background().color(), QColor(Qt::yellow));
    }

    void toolTipShowsWhatPlaybackSends_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("tip");

        QTest::newRow("recorded line") << 0 << QString();
        QTest::newRow("marked line") << 1
                                     << QStringLiteral(
                                            "此行与录制的格式不同，播放时：\n发送：5P2500S300\\r\n间隔：480 毫秒");
        QTest::newRow("empty line") << 2 << QString();
        QTest::newRow("free text")
            << 3
            << QStringLiteral("此行与录制的格式不同，播放时：\n发送：无（此行不足 10 个字符）\n间隔：沿用上一行的间隔");
    }
    void toolTipShowsWhatPlaybackSends()
    {
        QFETCH(int, line);
        QFETCH(QString, tip);
        Editors e;
        e.marked.setText(goodLine + u'\r' + badLine + u'\r' + u'\r' + QStringLiteral("hello\r"));
        QCOMPARE(e.highlighter.toolTipFor(line), tip);

        QTextCursor cursor(e.marked.document()->findBlockByNumber(line));
        const QPoint over = e.marked.cursorRect(cursor).center() + QPoint(5, 0);
        QHelpEvent help(QEvent::ToolTip, over, e.marked.viewport()->mapToGlobal(over));
        QCoreApplication::sendEvent(e.marked.viewport(), &help);
        QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tip);
        QToolTip::hideText();
    }

    void noToolTipBelowTheLastLine()
    {
        Editors e;
        e.marked.setText(badLine);
        const QPoint below(10, e.marked.viewport()->height() - 5);
        QHelpEvent help(QEvent::ToolTip, below, e.marked.viewport()->mapToGlobal(below));
        QCoreApplication::sendEvent(e.marked.viewport(), &help);
        QVERIFY(!QToolTip::isVisible());
    }
};

SERVO_TEST_MAIN(TestLineHighlighter)
#include "tst_linehighlighter.moc"
