// SPDX-License-Identifier: MIT
#pragma once

#include "core/edithistory.h"

#include <QObject>

class QAction;
class QMenu;
class SequenceEditor;

// The 编辑 (edit) menu: undo and redo over the sequence's one undo history
// (the caret goes to the first line the step changed), duplicate the line
// under the caret, move it up or down. Each is one step of that history; the
// caret stays on the line it was on. A long step (a stretch over many lines)
// is undone or redone in parts, its progress shown, and can be stopped. Once
// the history has dropped its oldest steps to stay within its memory, the
// menu says so. The editor's own undo and redo keys are the menu's.
class EditMenu final : public QObject
{
    Q_OBJECT

public:
    EditMenu(QMenu &menu, SequenceEditor &editor);

    void duplicateLine();
    void moveLineUp();
    void moveLineDown();
    void undo();
    void redo();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void walk(EditHistory::Direction direction);
    void showHistory();
    void putCaretOn(qsizetype line);
    // Swaps `line` with the one after it and puts the caret on `caretLine`.
    void swap(qsizetype line, qsizetype caretLine);
    // The empty line after a final CR is no line of the sequence.
    bool isSequenceLine(qsizetype line) const;

    SequenceEditor &m_editor;
    QAction *m_undo;
    QAction *m_redo;
    QAction *m_dropped;
};
