// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

class QColor;
class QTextDocument;

namespace sequencetext {
// `text` with every soft break (U+2028) made a line break; without a copy when
// it has none.
QString withLineBreaks(const QString &text);
// Up to `count` characters of `document` from `position`, line breaks as CR.
QString range(const QTextDocument &document, qsizetype position, qsizetype count);
// The whole text of `document`, line breaks as CR.
QString whole(const QTextDocument &document);
// Appends `line` to `document` as its new last line (see
// SequenceDocument::appendLine) in one undo step; the position of its start.
qsizetype appendLine(QTextDocument &document, const QString &line);
} // namespace sequencetext

// The action sequence: its lines, every change made to them, and the one undo
// history of those changes. Widget-free; the editor is a view of the
// QTextDocument held here, and whatever the operator types there is a change of
// this document like any other.
//
// Lines are counted from 0. A line's text never holds its line break; the whole
// text, as the rest of the program sees it, ends every line but the last with
// one CR. CR, LF, CR LF and U+2028 given in a text are all taken as one line
// break. Positions count a line break as one character. Every operation costs in
// proportion to the lines it touches, not to the length of the sequence.
class SequenceDocument final : public QObject
{
    Q_OBJECT

public:
    enum class ChangeSource { Program, Operator };

    explicit SequenceDocument(QObject *parent = nullptr);
    ~SequenceDocument() override;

    // Replaces the whole text; the undo history starts afresh.
    QString text() const;
    void setText(const QString &text);

    qsizetype lineCount() const;
    // The lines of the sequence: the empty line after a final line break is
    // none ("a\rb\r" holds two, as "a\rb" does), so an empty text holds none.
    qsizetype sequenceLineCount() const;
    // Line `line` without its line break; empty past the last line.
    QString lineText(qsizetype line) const;
    // Line `line` as playback fetches it: with its CR, or without one for a
    // last line that has none; the empty text for the empty last line after a
    // final CR. Empty optional past the last line.
    std::optional<QString> lineWithBreak(qsizetype line) const;
    // Position of the first character of `line`; -1 past the last line.
    qsizetype lineStart(qsizetype line) const;
    // Index of the line that holds `position` (clamped to the text).
    qsizetype lineAt(qsizetype position) const;
    // Length of the line that holds `position`, line break excluded.
    qsizetype lineLengthAt(qsizetype position) const;
    // Up to `count` characters from `position`, line breaks as CR.
    QString textRange(qsizetype position, qsizetype count) const;
    // Characters in the text, line breaks included.
    qsizetype length() const;

    // Each of these is one step of the undo history.
    // Replaces `length` characters from `position` with `text`; the position
    // after the new text.
    qsizetype replace(qsizetype position, qsizetype length, const QString &text);
    // Appends `line` (which carries its own line break, if any) as the new last
    // line; a last line that does not end with a line break is ended first, so
    // the two stay apart. Returns the position of the new line's start.
    qsizetype appendLine(const QString &line);
    void replaceLine(qsizetype line, const QString &text);
    void insertLine(qsizetype line, const QString &text);
    void removeLine(qsizetype line);
    // Swaps line `line` with the one after it; false when there is none.
    bool swapLines(qsizetype line);
    // Puts a copy of line `line` after it.
    void duplicateLine(qsizetype line);
    // Replaces the whole text with `text`, the lines of the file `source`.
    void open(const QString &text, const QString &source);

    // The file whose lines the text holds unsaved, empty for the sequence's
    // own. It belongs to the step of the undo history that open() made: undoing
    // that step brings back the one before, redoing it brings it back again.
    QString source() const;
    // The text, as it stands at this step, is the sequence's own (it was saved).
    void clearSource();

    // Colours `length` characters from `position`; not a change of the text,
    // so neither changed() nor linesChanged() is raised.
    void setColor(qsizetype position, qsizetype length, const QColor &color);

    bool isModified() const;
    void setModified(bool modified);
    bool canUndo() const;
    bool canRedo() const;
    // Each returns the first line the step changed, -1 when there was none.
    qsizetype undo();
    qsizetype redo();

    // A text that arrives in pieces (see SequenceLoader). `complete` brings in
    // the rest at once; it is called, once, before the whole text is read or a
    // program edit begins, so neither ever sees a part. Empty: nothing pending.
    void setPendingRest(std::function<void()> complete);
    void completePending() const;
    // Appends `piece` as it stands, as the next part of the text being brought
    // in: not a change of the text (only linesChanged() is raised), no undo step
    // (the history is left empty, as by setText()), and the saved state is kept.
    void appendPiece(const QString &piece);

    // The text as the editor shows it. Changes made through it are the
    // operator's.
    QTextDocument &textDocument() const { return *m_document; }

    // Groups program changes: changed(Program) is raised once, when the
    // outermost group ends, so a view can place its caret before anyone reacts.
    class ProgramEdit
    {
    public:
        explicit ProgramEdit(SequenceDocument &document);
        ~ProgramEdit();
        ProgramEdit(const ProgramEdit &) = delete;
        ProgramEdit &operator=(const ProgramEdit &) = delete;

    private:
        SequenceDocument &m_document;
        bool m_outer;
    };

Q_SIGNALS:
    // After every change of the text, once per change, with its source.
    void changed(SequenceDocument::ChangeSource source);
    // Lines [first, first + removed) were replaced by [first, first + added).
    void linesChanged(qsizetype first, qsizetype removed, qsizetype added);
    void modificationChanged(bool modified);
    void sourceChanged();

private:
    void onContentsChange(int position, int removed, int added);
    int clamp(qsizetype position) const;
    int step() const;
    void setSourceAt(int step, const QString &source);
    void dropSourcesFrom(int step);
    void followSource();

    QTextDocument *m_document;
    qsizetype m_lineCount = 1;
    int m_programDepth = 0;
    bool m_colouring = false;
    bool m_programChanged = false;
    bool m_appendingPiece = false;
    mutable std::function<void()> m_completeRest;
    // From each step on (a count of undo steps), the source that step gave the
    // text, in order of steps; before the first, none.
    std::vector<std::pair<int, QString>> m_sources;
    QString m_source;
    qsizetype m_firstChanged = -1; // by the undo or redo under way
};
