#pragma once

#include <QSyntaxHighlighter>

class SequenceEditor;

// Marks, on screen only, the lines of the sequence that will not play as they
// read (linecheck::playsAsWritten) with a red wavy underline, and shows over
// such a line what playback sends for it and the interval it reads.
//
// The marks live in the editor's line layouts, not in its text: they add no
// undo step, leave the text and its modified state alone, and do not touch the
// colour that playback gives the line it plays.
class LineHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    explicit LineHighlighter(SequenceEditor &editor);

    // The text of the tooltip over `line` (zero-based), empty for a line that is
    // not marked.
    QString toolTipFor(qsizetype line) const;

protected:
    void highlightBlock(const QString &text) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    SequenceEditor &m_editor;
};
