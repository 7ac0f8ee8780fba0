// SPDX-License-Identifier: MIT
#pragma once

class Playback;
class SequenceEditor;

// Shows playback in the editor: a run puts the caret at the start of its first
// line and takes the keyboard focus; each line played is selected with its line
// break and coloured black, found by its index so that edits above it during
// playback cannot shift the mark.
void showPlaybackIn(SequenceEditor &editor, const Playback &playback);
