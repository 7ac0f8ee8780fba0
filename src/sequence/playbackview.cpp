// SPDX-License-Identifier: MIT
#include "playbackview.h"

#include "engine/playback.h"
#include "sequenceeditor.h"

void showPlaybackIn(SequenceEditor &editor, const Playback &playback)
{
    QObject::connect(&playback, &Playback::started, &editor, [&editor](qsizetype line) {
        editor.setSelectionStart(qMax<qsizetype>(editor.lineStart(line), 0));
        editor.setFocus();
    });
    QObject::connect(&playback, &Playback::linePlayed, &editor, [&editor](qsizetype line) {
        editor.select(editor.lineStart(line), editor.sequence().lineWithBreak(line).value_or(QString()).size());
        editor.setSelectionColor(Qt::black);
    });
}
