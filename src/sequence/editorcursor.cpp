// SPDX-License-Identifier: MIT
#include "editorcursor.h"

#include "core/sequencecursor.h"
#include "editorlines.h"
#include "sequenceeditor.h"

void followCursor(SequenceEditor &editor, SequenceCursor &cursor)
{
    const auto tell = [&editor, &cursor] { cursor.setLine(editor.lineFromPosition(editor.selectionStart()), &editor); };
    QObject::connect(&editor, &QPlainTextEdit::cursorPositionChanged, &cursor, tell);
    // A change tells at once, before those who read the line after a change.
    QObject::connect(&editor.sequence(), &SequenceDocument::changed, &cursor, tell);
    QObject::connect(&cursor, &SequenceCursor::moved, &editor, [&editor](qsizetype line, const QObject *by) {
        const qsizetype start = editor.lineStart(line);
        if (by == &editor || start < 0)
            return;
        editor.setSelectionStart(start);
        editorlines::selectCaretLine(editor);
        editor.ensureCursorVisible();
    });
}
