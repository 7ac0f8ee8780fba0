// SPDX-License-Identifier: MIT
#pragma once

#include "core/posetimeline.h"

#include <QObject>

class ChannelSetup;
class SequenceEditor;

// Marks, on screen only, the lines of the sequence that will not play as they
// read (linecheck::playsAsWritten) with a red wavy underline, and shows over
// such a line what playback sends for it and the interval it reads. A line
// that plays as it reads but cannot keep its time (its bytes or its slowest
// servo take longer than its interval) gets an orange dashed underline, and
// says so over it, from the fold of the sequence (the engine's timeline).
//
// The marks are extra selections of the editor (beside any others set on it),
// made afresh for the lines in view before each paint: loading or editing a long sequence costs nothing
// more, and the text, its undo steps, its modified state and the colour that
// playback gives the played line are never touched.
//
// With the channels' limits set, a line that carries a pulse outside them is
// marked too, and its tooltip names each group that goes out held.
class LineHighlighter final : public QObject
{
    Q_OBJECT

public:
    // `timeline` folds the editor's document and outlives the highlighter.
    LineHighlighter(SequenceEditor &editor, PoseTimeline &timeline);

    // `setup` outlives the highlighter; read afresh for every mark and tooltip.
    void setLimits(const ChannelSetup &setup) { m_limits = &setup; }

    // Marks the lines now in view that need it (runs before every paint).
    void markLinesInView();

    // The text of the tooltip over `line` (zero-based), empty for a line that is
    // not marked.
    QString toolTipFor(qsizetype line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString clampsIn(const QString &line) const;

    SequenceEditor &m_editor;
    const ChannelSetup *m_limits = nullptr;
    PoseTimeline &m_timeline;
};
