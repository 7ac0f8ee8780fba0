// SPDX-License-Identifier: MIT
#include "editmenu.h"

#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"

#include <QAction>
#include <QMenu>
#include <QTextDocument>

EditMenu::EditMenu(QMenu &menu, SequenceEditor &editor) : QObject(&menu), m_editor(editor)
{
    const auto add = [&menu](const QString &text, const QKeySequence &shortcut, const char *name) {
        QAction *action = menu.addAction(text);
        action->setShortcut(shortcut);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    SequenceDocument &sequence = editor.sequence();
    QAction *undo = add(tr("撤销"), QKeySequence(Qt::CTRL | Qt::Key_Z), "undoAction");
    QAction *redo = add(tr("重做"), QKeySequence(Qt::CTRL | Qt::Key_Y), "redoAction");
    menu.addSeparator();
    QAction *duplicate = add(tr("复制行"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), "duplicateLineAction");
    QAction *up = add(tr("上移"), QKeySequence(Qt::ALT | Qt::Key_Up), "moveLineUpAction");
    QAction *down = add(tr("下移"), QKeySequence(Qt::ALT | Qt::Key_Down), "moveLineDownAction");

    connect(undo, &QAction::triggered, this, &EditMenu::undo);
    connect(redo, &QAction::triggered, this, &EditMenu::redo);
    connect(duplicate, &QAction::triggered, this, &EditMenu::duplicateLine);
    connect(up, &QAction::triggered, this, &EditMenu::moveLineUp);
    connect(down, &QAction::triggered, this, &EditMenu::moveLineDown);

    QTextDocument &text = sequence.textDocument();
    undo->setEnabled(sequence.canUndo());
    redo->setEnabled(sequence.canRedo());
    connect(&text, &QTextDocument::undoAvailable, undo, &QAction::setEnabled);
    connect(&text, &QTextDocument::redoAvailable, redo, &QAction::setEnabled);
}

void EditMenu::undo()
{
    SequenceDocument::ProgramEdit edit(m_editor.sequence());
    putCaretOn(m_editor.sequence().undo());
}

void EditMenu::redo()
{
    SequenceDocument::ProgramEdit edit(m_editor.sequence());
    putCaretOn(m_editor.sequence().redo());
}

void EditMenu::putCaretOn(qsizetype line)
{
    if (line < 0)
        return;
    m_editor.setSelectionStart(m_editor.sequence().lineStart(line));
    m_editor.ensureCursorVisible();
}

bool EditMenu::isSequenceLine(qsizetype line) const
{
    const SequenceDocument &sequence = m_editor.sequence();
    if (line < 0 || line >= sequence.lineCount())
        return false;
    return line < sequence.lineCount() - 1 || line == 0 || !sequence.lineText(line).isEmpty();
}

void EditMenu::duplicateLine()
{
    const qsizetype line = editorlines::caretPosition(m_editor).line;
    if (!isSequenceLine(line))
        return;
    SequenceDocument &sequence = m_editor.sequence();
    SequenceDocument::ProgramEdit edit(sequence);
    sequence.duplicateLine(line);
    m_editor.setSelectionStart(sequence.lineStart(line));
}

void EditMenu::moveLineUp()
{
    const qsizetype line = editorlines::caretPosition(m_editor).line;
    if (line > 0 && isSequenceLine(line))
        swap(line - 1, line - 1);
}

void EditMenu::moveLineDown()
{
    const qsizetype line = editorlines::caretPosition(m_editor).line;
    if (isSequenceLine(line + 1))
        swap(line, line + 1);
}

void EditMenu::swap(qsizetype line, qsizetype caretLine)
{
    SequenceDocument &sequence = m_editor.sequence();
    SequenceDocument::ProgramEdit edit(sequence);
    if (sequence.swapLines(line))
        m_editor.setSelectionStart(sequence.lineStart(caretLine));
}
