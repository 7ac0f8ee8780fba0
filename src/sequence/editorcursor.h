// SPDX-License-Identifier: MIT
#pragma once

class SequenceCursor;
class SequenceEditor;

// The editor as a view of the current line: its caret's line is the cursor's
// line after every caret move and every change of the text, and a line chosen
// elsewhere (the pose table, the timeline, an action) is picked in the editor
// as a click picks it: the whole line with its CR selected, and scrolled into
// view.
void followCursor(SequenceEditor &editor, SequenceCursor &cursor);
