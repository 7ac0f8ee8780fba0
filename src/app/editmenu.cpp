// SPDX-License-Identifier: MIT
#include "editmenu.h"

#include "common/jobprogress.h"
#include "core/undojob.h"
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

EditMenu::EditMenu(QMenu &menu, SequenceEditor &editor) : QObject(&menu), m_editor(editor)
{
    const auto add = [&menu](const QString &text, const QKeySequence &shortcut, const char *name) {
        QAction *action = menu.addAction(text);
        action->setShortcut(shortcut);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    SequenceDocument &sequence = editor.sequence();
    m_undo = add(tr("撤销"), QKeySequence(Qt::CTRL | Qt::Key_Z), "undoAction");
    m_redo = add(tr("重做"), QKeySequence(Qt::CTRL | Qt::Key_Y), "redoAction");
    m_dropped = add(tr("更早的步骤已丢弃"), {}, "droppedStepsNote");
    m_dropped->setEnabled(false);
    menu.addSeparator();
    QAction *duplicate = add(tr("复制行"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), "duplicateLineAction");
    QAction *up = add(tr("上移"), QKeySequence(Qt::ALT | Qt::Key_Up), "moveLineUpAction");
    QAction *down = add(tr("下移"), QKeySequence(Qt::ALT | Qt::Key_Down), "moveLineDownAction");

    connect(m_undo, &QAction::triggered, this, &EditMenu::undo);
    connect(m_redo, &QAction::triggered, this, &EditMenu::redo);
    connect(duplicate, &QAction::triggered, this, &EditMenu::duplicateLine);
    connect(up, &QAction::triggered, this, &EditMenu::moveLineUp);
    connect(down, &QAction::triggered, this, &EditMenu::moveLineDown);

    showHistory();
    connect(&sequence, &SequenceDocument::historyChanged, this, &EditMenu::showHistory);
    editor.installEventFilter(this);
}

void EditMenu::showHistory()
{
    const SequenceDocument &sequence = m_editor.sequence();
    m_undo->setEnabled(sequence.canUndo());
    m_redo->setEnabled(sequence.canRedo());
    m_dropped->setVisible(sequence.droppedSteps() > 0);
}

bool EditMenu::eventFilter(QObject *watched, QEvent *event)
{
    // The editor would undo in its text document, which keeps no history of
    // its own: its undo and redo keys do what the menu does.
    const bool key = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (watched != &m_editor || !key)
        return QObject::eventFilter(watched, event);
    auto *press = static_cast<QKeyEvent *>(event);
    const bool undoKey = press->matches(QKeySequence::Undo);
    if (!undoKey && !press->matches(QKeySequence::Redo))
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // The key comes to the editor, and so here, rather than to a shortcut.
        event->accept();
        return true;
    }
    undoKey ? undo() : redo();
    return true;
}

void EditMenu::undo()
{
    walk(EditHistory::Direction::Undo);
}

void EditMenu::redo()
{
    walk(EditHistory::Direction::Redo);
}

void EditMenu::walk(EditHistory::Direction direction)
{
    SequenceDocument &sequence = m_editor.sequence();
    auto *job = new UndoJob(sequence, direction, this);
    connect(job, &SequenceJob::finished, this, [this, job] {
        putCaretOn(job->firstChanged());
        job->deleteLater();
    });
    // A short step is done at once, the caret placed before anyone reacts.
    SequenceDocument::ProgramEdit edit(sequence);
    job->start();
    if (!job->isFinished())
        showJobProgress(*job, direction == EditHistory::Direction::Undo ? tr("正在撤销……") : tr("正在重做……"),
                        m_editor.window());
}

void EditMenu::putCaretOn(qsizetype line)
{
    if (line < 0)
        return;
    m_editor.setSelectionStart(m_editor.sequence().lineStart(line));
    m_editor.ensureCursorVisible();
    // After a long step, done in parts, no change of the text follows to pick the line.
    editorlines::selectCaretLine(m_editor);
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
