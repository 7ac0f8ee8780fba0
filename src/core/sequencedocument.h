// SPDX-License-Identifier: MIT
#pragma once

#include "core/edithistory.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

class QColor;
class QTextCursor;
class QTextDocument;

namespace sequencetext {
// `text` with every soft break (U+2028) made a line break; without a copy when
// it has none.
QString withLineBreaks(const QString &text);
// Up to `count` characters of `document` from `position`, line breaks as CR.
QString range(const QTextDocument &document, qsizetype position, qsizetype count);
// The whole text of `document`, line breaks as CR.
QString whole(const QTextDocument &document);
} // namespace sequencetext

// The action sequence: its lines, every change made to them, and the one undo
// history of those changes. Widget-free; the editor is a view of the
// QTextDocument held here, and whatever the operator types there is a change of
// this document like any other.
//
// The history is the document's own (EditHistory), bounded by the memory it
// holds; the text document's own is kept empty. An edit the editor makes for
// the operator within an OperatorEdit (a key, a paste) goes straight into the
// history. Any other edit made through the text document is recorded there by
// the text document, and what a turn of the event loop brings is taken over as
// one step right after (or before anything else touches the text): its undo
// and redo, unseen, tell what was replaced.
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
    // Replacements in the step undo() (redo()) would take back (make again): a
    // long one is better undone in parts (see below).
    qsizetype undoSize() const;
    qsizetype redoSize() const;

    // The memory the history holds, bytes, and its limit: past it, the oldest
    // steps are dropped (the newest is always kept).
    qsizetype historyBytes() const { return m_history.bytes(); }
    void setHistoryLimit(qsizetype bytes);
    // Steps dropped to keep within the limit since the text was last set: the
    // changes before them can no longer be undone.
    qsizetype droppedSteps() const { return m_history.dropped(); }

    // Changes made together as one step of the history, one after another.
    struct Replacement {
        qsizetype position = 0;
        qsizetype length = 0;
        QString text;
    };
    // Makes `replacements` as a new step, or, given the id of the last step,
    // as more of it: long work may build one step over many turns of the event
    // loop. Returns the step's id; 0, with nothing changed, when `step` is no
    // longer the last one (something else changed the text meanwhile).
    quint64 replaceEach(const std::vector<Replacement> &replacements, quint64 step = 0);

    // Undoing or redoing a step in parts, over turns of the event loop: begin
    // (a token for the rest; 0 when there is no such step), parts of up to
    // `count` replacements until none is left, then end. Ended early, or by any
    // other change of the text, what was done and what was not become two
    // steps. Each part returns the first line it changed, -1 once the work is
    // no longer under way.
    quint64 beginInParts(EditHistory::Direction direction);
    bool inParts(quint64 token) const { return token == m_partsToken && m_history.busy(); }
    qsizetype partsLeft() const { return m_history.remaining(); }
    qsizetype doPart(quint64 token, qsizetype count);
    void endInParts(quint64 token);

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

    // An edit the editor makes for the operator (a key, a paste), `cursor`
    // being its caret and selection: what the edit may replace (the selection
    // and the lines beside it) is read first, and the edit becomes one step of
    // the history when the group ends, the text document recording nothing.
    class OperatorEdit
    {
    public:
        OperatorEdit(SequenceDocument &document, const QTextCursor &cursor);
        ~OperatorEdit();
        OperatorEdit(const OperatorEdit &) = delete;
        OperatorEdit &operator=(const OperatorEdit &) = delete;

    private:
        SequenceDocument &m_document;
        bool m_outer;
    };

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
    // What canUndo(), canRedo() or droppedSteps() say may have changed.
    void historyChanged();

private:
    // The operator's edits the text document recorded since they were last
    // taken over, as one.
    struct Pending {
        qsizetype position;
        qsizetype removed;
        qsizetype added;
        qsizetype lengthAfter; // of the whole text
    };
    // The text about an OperatorEdit, read before it, and its change so far.
    struct Direct {
        qsizetype position;
        QString text;
        std::optional<Pending> change;
    };

    void onContentsChange(int position, int removed, int added);
    void notePending(qsizetype position, qsizetype removed, qsizetype added);
    void takeOverPending();
    // Ends an OperatorEdit's direct recording: its change so far becomes a step.
    void endDirect();
    // Records the operator's `change`, `replaced` the text it replaced.
    void recordOperators(const Pending &change, const QString &replaced);
    // Replaces `length` characters at `position` (see unrecorded()); the
    // characters replaced, and in `inserted` the length the new text takes.
    QString swapText(qsizetype position, qsizetype length, const QString &text, qsizetype *inserted = nullptr);
    EditHistory::Replace replacer();
    // Runs `change` with the text document recording nothing, in one edit block.
    template <typename Change>
    void unrecorded(Change change);
    // Raises the signals for what changed in the modified state, the source and
    // the history.
    void announce();
    // Ends the undoing or redoing in parts under way, where it got to.
    void stopParts();
    int clamp(qsizetype position) const;

    QTextDocument *m_document;
    EditHistory m_history;
    std::optional<Pending> m_pending;
    std::optional<Direct> m_direct;
    int m_operatorDepth = 0;
    bool m_takeOverQueued = false;
    bool m_inContentsChange = false;
    qsizetype m_lineCount = 1;
    int m_programDepth = 0;
    bool m_colouring = false;
    bool m_programChanged = false;
    bool m_appendingPiece = false;
    quint64 m_partsToken = 0;
    mutable std::function<void()> m_completeRest;
    // As last announced.
    bool m_modified = false;
    QString m_source;
    std::tuple<bool, bool, qsizetype> m_historyShown{false, false, 0};
    qsizetype m_firstChanged = -1; // by the undo or redo under way
};
