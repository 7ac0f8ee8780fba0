// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

class SequenceEditor;

// The line routines of the sequence editor, shared by line picking, Delete and
// playback. Positions and lengths are not limited in size.

struct CaretPosition {
    qsizetype column = 0; // characters from the start of the caret's line to the caret
    qsizetype line = 0;   // zero-based index of the caret's line
};

namespace editorlines {

CaretPosition caretPosition(const SequenceEditor &editor);

// Line `line` with its line break (a CR), or without one for a last line that has
// none; the empty text for the empty last line after a final CR. Empty optional
// for a line past the last one.
std::optional<QString> lineWithBreak(const SequenceEditor &editor, qsizetype line);

// Selects the whole line under the caret with its CR, and colours it black.
void selectCaretLine(SequenceEditor &editor);

} // namespace editorlines
