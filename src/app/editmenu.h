// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QMenu;
class SequenceEditor;

// The 编辑 (edit) menu: undo and redo over the sequence's one undo history
// (the caret goes to the first line the step changed), duplicate the line
// under the caret, move it up or down. Each is one step of that history; the
// caret stays on the line it was on.
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

private:
    void putCaretOn(qsizetype line);
    // Swaps `line` with the one after it and puts the caret on `caretLine`.
    void swap(qsizetype line, qsizetype caretLine);
    // The empty line after a final CR is no line of the sequence.
    bool isSequenceLine(qsizetype line) const;

    SequenceEditor &m_editor;
};
