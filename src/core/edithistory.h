// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>
#include <vector>

// The undo history of a text, bounded by the memory it holds: once its steps
// hold more than the limit, the oldest are dropped (and counted), the newest
// step always kept. Widget-free, and blind to the text itself: it keeps
// replacements and hands them back through a function that makes them.
//
// A step is a list of replacements made one after another. For each it holds
// only the text that is not in the document now: the old one while the step
// stands, the new one once it is undone; undoing swaps them. A long step (a
// stretch over a million lines) can be undone or redone in pieces; stopped
// midway, the part done and the part left become two steps.
//
// The history also keeps, for each state of the text (before the first step,
// after each), the file its lines came from (see SequenceDocument::source), and
// which state was saved.
class EditHistory
{
public:
    static constexpr qsizetype defaultLimit = qsizetype(64) * 1024 * 1024;

    // Replaces `length` characters at `position` with `text`; returns the
    // characters it replaced.
    using Replace = std::function<QString(qsizetype position, qsizetype length, const QString &text)>;

    // How a change may join the step before it, as the text editor joins
    // keystrokes: text typed on, or deleted on with Delete or Backspace.
    enum class Typing { No, Yes };

    explicit EditHistory(qsizetype limit = defaultLimit) : m_limit(limit) { }

    // Forgets every step; the text now is not the saved one.
    void clear();
    // Drops every step, counted with those dropped (the text has changed in a
    // way none of them can be undone over).
    void dropAll();

    // Records a change just made: `length` characters at `position` hold what
    // was `replaced`. A new step, or part of the last when both are typing that
    // follows on. Returns the step's id.
    quint64 record(qsizetype position, qsizetype length, const QString &replaced, Typing typing = Typing::No);
    // Adds a change to step `id` when that is still the last step and stands;
    // false, and nothing recorded, when it is not.
    bool extend(quint64 id, qsizetype position, qsizetype length, const QString &replaced);
    bool canExtend(quint64 id) const;

    bool canUndo() const;
    bool canRedo() const;
    // Replacements in the step the next undo (redo) takes back (makes again).
    qsizetype undoSize() const;
    qsizetype redoSize() const;

    // Undoing or redoing a step in pieces: begin(), then pieces of up to
    // `count` replacements until none is left, then end(), which may also come
    // before (the part done and the part left become two steps). undo() and
    // redo() do all of it at once.
    enum class Direction { Undo, Redo };
    bool begin(Direction direction);
    bool busy() const { return m_busy >= 0; }
    qsizetype remaining() const;
    void piece(qsizetype count, const Replace &replace);
    void end();
    bool undo(const Replace &replace);
    bool redo(const Replace &replace);

    // The source of the state the text is in; setting it changes it for this
    // state only. A new step starts with the one before it.
    QString source() const { return m_sources[size_t(m_current)]; }
    void setSource(const QString &source) { m_sources[size_t(m_current)] = source; }

    bool isModified() const { return busy() || m_saved != m_current; }
    void setModified(bool modified) { m_saved = modified ? -1 : m_current; }

    // Memory the steps hold, bytes, and the limit on it.
    qsizetype bytes() const { return m_bytes; }
    qsizetype limit() const { return m_limit; }
    void setLimit(qsizetype bytes);
    // Steps dropped, oldest first, to stay within the limit since the last clear().
    qsizetype dropped() const { return m_dropped; }

private:
    struct Span {
        int position;
        int length;     // of the text in the document now
        int textLength; // of the text the history holds for it
    };
    // A stack of replacements, the texts held one after another.
    struct Part {
        std::vector<Span> spans;
        QString texts;
        void push(const Span &span, const QString &text);
        QString popText(const Span &span);
    };
    struct Step {
        quint64 id = 0;
        Typing typing = Typing::No;
        Part standing; // made, in order: undoing takes them from the back
        Part undone;   // taken back, the first to make again at the back
        qsizetype bytes = 0;
    };

    // Moves up to `count` replacements of `step` from one part to the other,
    // making them in the document.
    static void swap(Step &step, Direction direction, qsizetype count, const Replace &replace);
    void measure(Step &step);
    void dropRedo();
    void insertState(qsizetype at, const QString &source);
    // Removes step `index` and state `state`, one of the two beside it.
    void eraseStep(qsizetype index, qsizetype state);
    // Drops steps while over the limit, never those from `keepFirst` to `keepLast`.
    void keepWithinLimit(qsizetype keepFirst, qsizetype keepLast);

    std::vector<Step> m_steps;          // [0, m_current) stand, the rest are undone
    std::vector<QString> m_sources{{}}; // one a state: m_steps.size() + 1
    qsizetype m_current = 0;            // the state the text is in
    qsizetype m_saved = 0;              // the state saved, -1 for none
    qsizetype m_busy = -1;              // the step being undone or redone in pieces
    Direction m_direction = Direction::Undo;
    qsizetype m_bytes = 0;
    qsizetype m_limit;
    qsizetype m_dropped = 0;
    quint64 m_nextId = 1;
};
