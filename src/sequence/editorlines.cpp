// SPDX-License-Identifier: MIT
#include "editorlines.h"

#include "sequenceeditor.h"

CaretPosition editorlines::caretPosition(const SequenceEditor &editor)
{
    const qsizetype caret = editor.selectionStart();
    const qsizetype line = editor.lineFromPosition(caret);
    return {caret - editor.lineStart(line), line};
}

std::optional<QString> editorlines::lineWithBreak(const SequenceEditor &editor, qsizetype line)
{
    const qsizetype start = editor.lineStart(line);
    if (start < 0)
        return std::nullopt;
    return editor.textRange(start, editor.lineLength(start) + 1);
}

void editorlines::selectCaretLine(SequenceEditor &editor)
{
    const CaretPosition caret = caretPosition(editor);
    const qsizetype length = lineWithBreak(editor, caret.line).value_or(QString()).size();
    editor.setSelectionStart(editor.selectionStart() - caret.column);
    editor.setSelectionLength(length);
    editor.setSelectionColor(Qt::black);
}
