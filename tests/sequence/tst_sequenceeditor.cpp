// SPDX-License-Identifier: MIT
#include "sequence/editorlines.h"
#include "sequence/inputdialog.h"
#include "sequence/sequencecommands.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include "support/testmain.h"

namespace {

const QString madeLine = QStringLiteral("Time4800  #5P2500S300");
const QString threeLines = QStringLiteral("Time100   #1P1500S300\rTime200   #2P1500S300\rTime300   #3P1500S300\r");

// Lines of 20 characters each, CR included, every one different.
QString numberedLines(int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += u'L' + QString::number(i).rightJustified(18, u'0') + u'\r';
    return text;
}

// Clicks on `position` the way the operator picks a line; the caret is moved
// there first only so that the line is scrolled into view.
void clickAt(SequenceEditor &editor, qsizetype position)
{
    editor.setSelectionStart(position);
    editor.ensureCursorVisible();
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, {}, editor.cursorRect().center());
}

// The point on screen of the place between characters `position` - 1 and `position`.
QPoint pointAt(const SequenceEditor &editor, int position)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(position);
    return editor.cursorRect(cursor).center();
}

enum class Mouse { Click, ShiftClick, Drag, DoubleClick };

struct Commands {
    Commands()
    {
        editor.resize(480, 320);
        editor.show();
    }
    SequenceEditor editor;
    RecordingNotifier notifier;
    SequenceCommands commands{editor, notifier, [] { return madeLine; }, nullptr};
};

enum class ProgramChange { SetText, SetSelectedText, AppendLine, SetSelectionColor };

} // namespace

Q_DECLARE_METATYPE(ProgramChange)
Q_DECLARE_METATYPE(Mouse)

class TestSequenceEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void setTextTakesEveryLineBreak_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("CR") << "ab\rc\r"
                            << "ab\rc\r";
        QTest::newRow("LF") << "ab\nc\n"
                            << "ab\rc\r";
        QTest::newRow("CR LF") << "ab\r\nc\r\n"
                               << "ab\rc\r";
        QTest::newRow("mixed, no final break") << "ab\r\n\nc"
                                               << "ab\r\rc";
        QTest::newRow("no-break space kept") << "a\u00A0\rc"
                                             << "a\u00A0\rc";
        QTest::newRow("soft and paragraph breaks") << "ab\u2028c\u2029d"
                                                   << "ab\rc\rd";
    }
    void setTextTakesEveryLineBreak()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        SequenceEditor editor;
        editor.setText(input);
        QCOMPARE(editor.text(), expected);
        // A break is one position: the second line starts right after "ab".
        QCOMPARE(editor.lineStart(1), 3);
        QCOMPARE(editor.textRange(0, expected.size()), expected);
    }

    void changedOnceInsideEachProgramChange_data()
    {
        QTest::addColumn<ProgramChange>("change");
        QTest::addColumn<QString>("expected");
        QTest::newRow("setText") << ProgramChange::SetText << "x\ry";
        QTest::newRow("setSelectedText") << ProgramChange::SetSelectedText << "aZ\r\rcd\r";
        QTest::newRow("appendLine") << ProgramChange::AppendLine << "ab\rcd\ref\r";
        QTest::newRow("setSelectionColor") << ProgramChange::SetSelectionColor << "ab\rcd\r";
    }
    void changedOnceInsideEachProgramChange()
    {
        QFETCH(ProgramChange, change);
        QFETCH(QString, expected);
        SequenceEditor editor;
        editor.setText(QStringLiteral("ab\rcd\r"));
        editor.setSelectionStart(1);
        editor.setSelectionLength(1);
        QStringList seen;
        connect(&editor.sequence(), &SequenceDocument::changed, &editor, [&](SequenceDocument::ChangeSource source) {
            QCOMPARE(source, SequenceDocument::ChangeSource::Program);
            seen.append(editor.text());
        });
        switch (change) {
        case ProgramChange::SetText:
            editor.setText(QStringLiteral("x\ny"));
            break;
        case ProgramChange::SetSelectedText:
            editor.setSelectedText(QStringLiteral("Z\r"));
            break;
        case ProgramChange::AppendLine:
            editor.appendLine(QStringLiteral("ef\r"));
            break;
        case ProgramChange::SetSelectionColor:
            editor.setSelectionColor(Qt::red);
            QCOMPARE(editor.textCursor().charFormat().foreground().color(), QColor(Qt::red));
            break;
        }
        // No event loop has run: the signal came inside the call, after the edit.
        const QStringList once{expected};
        QCOMPARE(seen, change == ProgramChange::SetSelectionColor ? QStringList() : once);
        QCOMPARE(editor.text(), expected);
    }

    void operatorEditsRaiseOperatorChanges_data()
    {
        QTest::addColumn<int>("selectionLength");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("typed into a line") << 0 << "keys"
                                           << "XYZ"
                                           << "aXYZb\rcd\r";
        QTest::newRow("typed over a selection") << 3 << "keys"
                                                << "XYZ"
                                                << "aXYZd\r";
        QTest::newRow("Enter") << 0 << "Enter"
                               << ""
                               << "a\rb\rcd\r";
        QTest::newRow("Shift+Enter") << 0 << "Shift+Enter"
                                     << ""
                                     << "a\rb\rcd\r";
        QTest::newRow("pasted CR LF") << 0 << "paste"
                                      << "x\r\ny"
                                      << "ax\ryb\rcd\r";
        QTest::newRow("pasted CR") << 0 << "paste"
                                   << "x\ry"
                                   << "ax\ryb\rcd\r";
        QTest::newRow("pasted Unicode break") << 0 << "paste"
                                              << "x\u2028y"
                                              << "ax\ryb\rcd\r";
    }
    void operatorEditsRaiseOperatorChanges()
    {
        QFETCH(int, selectionLength);
        QFETCH(QString, action);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        SequenceEditor editor;
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(QStringLiteral("ab\rcd\r"));
        editor.setSelectionStart(1);
        editor.setSelectionLength(selectionLength);
        QSignalSpy spy(&editor.sequence(), &SequenceDocument::changed);
        // One change per key typed, one per break or paste.
        qsizetype changes = 1;
        if (action == u"keys") {
            QTest::keyClicks(&editor, input);
            changes = input.size();
        } else if (action == u"paste") {
            QGuiApplication::clipboard()->setText(input);
            editor.paste();
        } else {
            QTest::keyClick(&editor, Qt::Key_Return, action.startsWith(u"Shift") ? Qt::ShiftModifier : Qt::NoModifier);
        }
        QCOMPARE(editor.text(), expected);
        // Every break typed or pasted starts a line of its own for the line routines.
        QCOMPARE(editor.lineCount(), expected.count(u'\r') + 1);
        QCOMPARE(editorlines::lineWithBreak(editor, 0), expected.section(u'\r', 0, 0) + u'\r');
        QCOMPARE(spy.size(), changes);
        for (const QList<QVariant> &change : std::as_const(spy))
            QCOMPARE(change.at(0).value<SequenceDocument::ChangeSource>(), SequenceDocument::ChangeSource::Operator);
    }

    void lineQueries()
    {
        SequenceEditor editor;
        editor.setText(QStringLiteral("ab\r\rcde"));
        QCOMPARE(editor.lineCount(), 3);
        QCOMPARE(editor.lineStart(1), 3);
        QCOMPARE(editor.lineStart(2), 4);
        QCOMPARE(editor.lineStart(3), -1);
        QCOMPARE(editor.lineLength(1), 2);
        QCOMPARE(editor.lineLength(3), 0);
        QCOMPARE(editor.lineLength(6), 3);
        QCOMPARE(editor.lineFromPosition(5), 2);
        QCOMPARE(editor.textRange(1, 4), QStringLiteral("b\r\rc"));
        QCOMPARE(editor.textRange(5, 100), QStringLiteral("de"));
    }

    void getLineText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("expected");
        QTest::newRow("line and its CR") << "ab\rcd\r" << 1 << true << "cd\r";
        QTest::newRow("last line without CR") << "ab\rcd" << 1 << true << "cd";
        QTest::newRow("empty last line") << "ab\r" << 1 << true << "";
        QTest::newRow("empty middle line") << "ab\r\rcd\r" << 1 << true << "\r";
        QTest::newRow("empty editor") << "" << 0 << true << "";
        QTest::newRow("past the last line") << "ab\r" << 2 << false << "";
        QTest::newRow("past a last line without CR") << "ab" << 1 << false << "";
    }
    void getLineText()
    {
        QFETCH(QString, text);
        QFETCH(int, line);
        QFETCH(bool, exists);
        QFETCH(QString, expected);
        SequenceEditor editor;
        editor.setText(text);
        const std::optional<QString> got = editorlines::lineWithBreak(editor, line);
        QCOMPARE(got.has_value(), exists);
        if (exists)
            QCOMPARE(*got, expected);
    }

    void getCaretPosition_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::newRow("first line") << "ab\rcd\r" << 1 << 0 << 1;
        QTest::newRow("after a break") << "ab\rcd\r" << 3 << 1 << 0;
        QTest::newRow("Chinese once each") << "注释\r延时一秒 x\r" << 9 << 1 << 6;
        QTest::newRow("beyond 32767") << numberedLines(5000) << 99'987 << 4999 << 7;
    }
    void getCaretPosition()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, line);
        QFETCH(int, column);
        SequenceEditor editor;
        editor.setText(text);
        editor.setSelectionStart(caret);
        const CaretPosition position = editorlines::caretPosition(editor);
        QCOMPARE(position.line, line);
        QCOMPARE(position.column, column);
    }

    void selectCaretLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("selected");
        QTest::newRow("middle of a line") << "ab\rcde\rf\r" << 5 << 3 << "cde\r";
        QTest::newRow("on the CR") << "ab\rcde\r" << 2 << 0 << "ab\r";
        QTest::newRow("last line without CR") << "ab\rcde" << 4 << 3 << "cde";
        QTest::newRow("empty middle line") << "ab\r\rc\r" << 3 << 3 << "\r";
        QTest::newRow("empty last line") << "ab\r" << 3 << 3 << "";
        QTest::newRow("Chinese") << "注释\r延时一秒\r" << 5 << 3 << "延时一秒\r";
    }
    void selectCaretLine()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(int, start);
        QFETCH(QString, selected);
        SequenceEditor editor;
        editor.setText(text);
        editor.setSelectionStart(caret);
        editorlines::selectCaretLine(editor);
        QCOMPARE(editor.selectionStart(), start);
        QCOMPARE(editor.selectedText(), selected);
        QCOMPARE(editor.text(), text);
    }

    void pickingFollowsClicksAndProgramChanges()
    {
        Commands f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.editor));
        f.editor.setText(threeLines);
        QCOMPARE(f.editor.selectedText(), threeLines.left(22));
        clickAt(f.editor, 22 + 15);
        QCOMPARE(f.editor.selectionStart(), 22);
        QCOMPARE(f.editor.selectedText(), threeLines.mid(22, 22));
    }

    // What the mouse does in the editor itself, before any line picking.
    void mouseSelects_data()
    {
        QTest::addColumn<int>("selectedBefore"); // characters selected from position 0
        QTest::addColumn<Mouse>("mouse");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("selected");
        QTest::newRow("click places the caret") << 0 << Mouse::Click << 27 << 27 << 27 << "";
        QTest::newRow("click inside a selection places the caret") << 22 << Mouse::Click << 5 << 5 << 5 << "";
        QTest::newRow("Shift+click extends from the caret")
            << 0 << Mouse::ShiftClick << 0 << 14 << 0 << "Time100   #1P1";
        QTest::newRow("drag selects") << 0 << Mouse::Drag << 10 << 33 << 10 << "#1P1500S300\rTime200   #";
        QTest::newRow("drag upwards selects") << 0 << Mouse::Drag << 33 << 10 << 10 << "#1P1500S300\rTime200   #";
        QTest::newRow("double-click selects a word") << 0 << Mouse::DoubleClick << 25 << 25 << 22 << "Time200";
    }
    void mouseSelects()
    {
        QFETCH(int, selectedBefore);
        QFETCH(Mouse, mouse);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, start);
        QFETCH(QString, selected);
        SequenceEditor editor;
        editor.resize(480, 320);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(threeLines);
        editor.setSelectionStart(0);
        editor.setSelectionLength(selectedBefore);
        QWidget *viewport = editor.viewport();
        switch (mouse) {
        case Mouse::Click:
            QTest::mouseClick(viewport, Qt::LeftButton, {}, pointAt(editor, from));
            break;
        case Mouse::ShiftClick:
            editor.setSelectionStart(from);
            QTest::mouseClick(viewport, Qt::LeftButton, Qt::ShiftModifier, pointAt(editor, to));
            break;
        case Mouse::Drag:
            QTest::mousePress(viewport, Qt::LeftButton, {}, pointAt(editor, from));
            QTest::mouseMove(viewport, pointAt(editor, (from + to) / 2));
            QTest::mouseMove(viewport, pointAt(editor, to));
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, pointAt(editor, to));
            break;
        case Mouse::DoubleClick:
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, pointAt(editor, from));
            break;
        }
        QCOMPARE(editor.selectionStart(), start);
        QCOMPARE(editor.selectedText(), selected);
    }

    void dragBelowTheViewScrollsOn()
    {
        SequenceEditor editor;
        editor.resize(480, 120);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setText(numberedLines(500));
        QWidget *viewport = editor.viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, pointAt(editor, 3));
        QTest::mouseMove(viewport, QPoint(40, viewport->height() + 20));
        // The mouse rests below the view: the selection keeps growing downwards.
        QTRY_VERIFY(editor.lineFromPosition(editor.textCursor().position()) > 30);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(40, viewport->height() + 20));
        QCOMPARE(editor.selectionStart(), 3);
        QVERIFY(editor.verticalScrollBar()->value() > 20);
    }

    void typingKeepsEveryKey_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty editor") << "" << 0 << "Time100";
        QTest::newRow("into a picked line") << "ab\rcd\r" << 4 << "ab\rTime100cd\r";
    }
    void typingKeepsEveryKey()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, expected);
        Commands f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.editor));
        f.editor.setText(text);
        clickAt(f.editor, caret);
        // Left leaves the caret at the start of the picked line.
        QTest::keyClick(&f.editor, Qt::Key_Left);
        QTest::keyClicks(&f.editor, QStringLiteral("Time100"));
        QCOMPARE(f.editor.text(), expected);
        QCOMPARE(f.editor.selectedText(), QString());
    }

    void add_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("selectFrom");
        QTest::addColumn<QString>("expected");
        const QString line = madeLine + u'\r';
        QTest::newRow("empty editor") << "" << -1 << line;
        QTest::newRow("text ends with CR") << "ab\rcd\r" << -1 << "ab\rcd\r" + line;
        QTest::newRow("line selected") << "ab\rcd\r" << 0 << "ab\rcd\r" + line;
        QTest::newRow("last line typed without CR") << "ab\rcd" << -1 << "ab\rcd\r" + line;
    }
    void add()
    {
        QFETCH(QString, text);
        QFETCH(int, selectFrom);
        QFETCH(QString, expected);
        Commands f;
        f.editor.setText(text);
        if (selectFrom >= 0) {
            f.editor.setSelectionStart(selectFrom);
            f.editor.setSelectionLength(3);
        }
        f.commands.add();
        QCOMPARE(f.editor.text(), expected);
        QCOMPARE(f.editor.selectedText(), madeLine + u'\r');
        QCOMPARE(f.editor.selectionStart(), expected.size() - madeLine.size() - 1);
    }

    void modifyAsksForASelection_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty editor") << "";
        QTest::newRow("caret only") << threeLines;
    }
    void modifyAsksForASelection()
    {
        QFETCH(QString, text);
        Commands f;
        f.editor.setText(text);
        f.editor.setSelectionStart(5);
        f.commands.modify();
        const Message askForSelection{Message::Icon::None, {}, QStringLiteral("请选择指令")};
        QCOMPARE(f.notifier.shown, QList<Message>{askForSelection});
        QCOMPARE(f.editor.text(), text);
    }

    void modify_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("keySelection");
        QTest::addColumn<QString>("expected");
        const QString line = madeLine + u'\r';
        QTest::newRow("clicked middle line") << 30 << 0 << threeLines.left(22) + line + threeLines.mid(44);
        QTest::newRow("part selected by keys") << 26 << 3 << threeLines.left(26) + line + threeLines.mid(29);
    }
    void modify()
    {
        QFETCH(int, position);
        QFETCH(int, keySelection);
        QFETCH(QString, expected);
        Commands f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.editor));
        f.editor.setText(threeLines);
        if (keySelection == 0)
            clickAt(f.editor, position);
        else
            f.editor.setSelectionStart(position);
        for (int i = 0; i < keySelection; ++i)
            QTest::keyClick(&f.editor, Qt::Key_Right, Qt::ShiftModifier);
        f.commands.modify();
        QCOMPARE(f.editor.text(), expected);
        QVERIFY(f.notifier.shown.isEmpty());
    }

    void remove_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty editor") << "" << 0 << "";
        QTest::newRow("middle line") << "ab\rcd\ref\r" << 4 << "ab\ref\r";
        QTest::newRow("caret on the empty last line") << "ab\rcd\r" << 6 << "ab\rcd\r";
        QTest::newRow("last line without CR") << "ab\rcd" << 5 << "ab\r";
        QTest::newRow("empty middle line") << "ab\r\rcd\r" << 3 << "ab\rcd\r";
    }
    void remove()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, expected);
        Commands f;
        f.editor.setText(text);
        f.editor.setSelectionStart(caret);
        f.commands.remove();
        QCOMPARE(f.editor.text(), expected);
    }

    void appendText_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing typed") << ""
                                       << "ab\r";
        QTest::newRow("blanks kept") << " x "
                                     << "ab\r x \r";
    }
    void appendText()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        Commands f;
        f.editor.setText(QStringLiteral("ab\r"));
        f.commands.appendText(typed);
        QCOMPARE(f.editor.text(), expected);
    }

    void pickAndDeleteBeyond32767()
    {
        Commands f;
        QVERIFY(QTest::qWaitForWindowExposed(&f.editor));
        const QString text = numberedLines(5000);
        f.editor.setText(text);
        const qsizetype start = 4990 * 20;
        clickAt(f.editor, start + 11);
        QCOMPARE(f.editor.selectionStart(), start);
        QCOMPARE(f.editor.selectedText(), text.mid(start, 20));
        f.commands.remove();
        QCOMPARE(f.editor.text(), text.left(start) + text.mid(start + 20));
    }

    void inputDialog_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("action"); // a button's name, or a key pressed in the box
        QTest::addColumn<QStringList>("appended");
        QTest::newRow("OK, nothing typed") << ""
                                           << "Command1" << QStringList();
        QTest::newRow("OK") << " #1P1500 "
                            << "Command1" << QStringList{" #1P1500 "};
        QTest::newRow("Cancel") << "#1P1500"
                                << "Command2" << QStringList();
        QTest::newRow("Enter is OK") << "#1P1500"
                                     << "Enter" << QStringList{"#1P1500"};
        QTest::newRow("Esc is Cancel") << "#1P1500"
                                       << "Esc" << QStringList();
    }
    void inputDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, action);
        QFETCH(QStringList, appended);
        QStringList got;
        QPointer<InputDialog> dialog = new InputDialog([&](const QString &text) { got.append(text); });
        QCOMPARE(dialog->objectName(), QStringLiteral("dialog2"));
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        auto *text = dialog->findChild<QLineEdit *>(QStringLiteral("Text1"));
        auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("Command1"));
        auto *cancel = dialog->findChild<QPushButton *>(QStringLiteral("Command2"));
        QVERIFY(text && ok && cancel);
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        QCOMPARE(cancel->text(), QStringLiteral("取消"));
        QTest::keyClicks(text, typed);
        QCOMPARE(text->text(), typed);
        if (action == u"Enter")
            QTest::keyClick(text, Qt::Key_Return);
        else if (action == u"Esc")
            QTest::keyClick(text, Qt::Key_Escape);
        else
            QTest::mouseClick(action == ok->objectName() ? ok : cancel, Qt::LeftButton);
        QCOMPARE(got, appended);
        QVERIFY(dialog && !dialog->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());
    }
};

SERVO_TEST_MAIN(TestSequenceEditor)
#include "tst_sequenceeditor.moc"
