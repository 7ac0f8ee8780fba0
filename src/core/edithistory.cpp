// SPDX-License-Identifier: MIT
#include "edithistory.h"

#include <algorithm>

void EditHistory::Part::push(const Span &span, const QString &text)
{
    spans.push_back(span);
    texts += text;
}

QString EditHistory::Part::popText(const Span &span)
{
    QString text = texts.right(span.textLength);
    texts.chop(span.textLength);
    spans.pop_back();
    if (spans.empty())
        *this = Part(); // its memory goes with it
    return text;
}

void EditHistory::clear()
{
    m_steps.clear();
    m_sources.assign(1, QString());
    m_current = 0;
    m_saved = -1;
    m_busy = -1;
    m_bytes = 0;
    m_dropped = 0;
}

void EditHistory::dropAll()
{
    const qsizetype dropped = m_dropped + qsizetype(m_steps.size());
    const QString now = source();
    clear();
    m_sources[0] = now;
    m_dropped = dropped;
}

quint64 EditHistory::record(qsizetype position, qsizetype length, const QString &replaced, Typing typing)
{
    dropRedo();
    // Typing joins the step before it while the text is unsaved, as a text
    // editor joins keystrokes: on at the end of what was typed, or deleting on
    // forward (Delete) or backward (Backspace) from what was deleted.
    if (typing == Typing::Yes && m_current > 0 && m_saved != m_current) {
        Step &last = m_steps.back();
        if (last.typing == Typing::Yes && last.standing.spans.size() == 1 && last.undone.spans.empty()) {
            Span &span = last.standing.spans.front();
            bool joined = true;
            if (replaced.isEmpty() && span.textLength == 0 && span.position + span.length == position) {
                span.length += int(length);
            } else if (length == 0 && span.length == 0 && span.position == position) {
                last.standing.texts += replaced;
                span.textLength += int(replaced.size());
            } else if (length == 0 && span.length == 0 && position + replaced.size() == span.position) {
                last.standing.texts.prepend(replaced);
                span.textLength += int(replaced.size());
                span.position = int(position);
            } else {
                joined = false;
            }
            if (joined) {
                measure(last);
                keepWithinLimit(m_current - 1, m_current - 1);
                return last.id;
            }
        }
    }
    Step step;
    step.id = m_nextId++;
    step.typing = typing;
    step.standing.push({int(position), int(length), int(replaced.size())}, replaced);
    step.standing.texts.squeeze();
    m_steps.push_back(std::move(step));
    insertState(m_current + 1, source());
    ++m_current;
    measure(m_steps.back());
    const quint64 id = m_steps.back().id;
    keepWithinLimit(m_current - 1, m_current - 1);
    return id;
}

bool EditHistory::canExtend(quint64 id) const
{
    return !busy() && !m_steps.empty() && m_current == qsizetype(m_steps.size()) && m_steps.back().id == id;
}

bool EditHistory::extend(quint64 id, qsizetype position, qsizetype length, const QString &replaced)
{
    if (!canExtend(id))
        return false;
    Step &last = m_steps.back();
    last.standing.push({int(position), int(length), int(replaced.size())}, replaced);
    measure(last);
    keepWithinLimit(m_current - 1, m_current - 1);
    return true;
}

bool EditHistory::canUndo() const
{
    return !busy() && m_current > 0;
}

bool EditHistory::canRedo() const
{
    return !busy() && m_current < qsizetype(m_steps.size());
}

qsizetype EditHistory::undoSize() const
{
    return canUndo() ? qsizetype(m_steps[size_t(m_current - 1)].standing.spans.size()) : 0;
}

qsizetype EditHistory::redoSize() const
{
    return canRedo() ? qsizetype(m_steps[size_t(m_current)].undone.spans.size()) : 0;
}

bool EditHistory::begin(Direction direction)
{
    if (direction == Direction::Undo ? !canUndo() : !canRedo())
        return false;
    m_direction = direction;
    m_busy = direction == Direction::Undo ? m_current - 1 : m_current;
    return true;
}

qsizetype EditHistory::remaining() const
{
    if (!busy())
        return 0;
    const Step &step = m_steps[size_t(m_busy)];
    return qsizetype(m_direction == Direction::Undo ? step.standing.spans.size() : step.undone.spans.size());
}

void EditHistory::piece(qsizetype count, const Replace &replace)
{
    if (!busy())
        return;
    Step &step = m_steps[size_t(m_busy)];
    swap(step, m_direction, count, replace);
    measure(step);
}

void EditHistory::end()
{
    if (!busy())
        return;
    const qsizetype index = std::exchange(m_busy, -1);
    Step &step = m_steps[size_t(index)];
    step.standing.texts.squeeze();
    step.undone.texts.squeeze();
    measure(step);
    if (step.standing.spans.empty() || step.undone.spans.empty()) {
        // All of it, or none: the text is in the state after or before the step.
        if (step.standing.spans.empty() == (m_direction == Direction::Undo))
            m_current = m_direction == Direction::Undo ? index : index + 1;
        keepWithinLimit(index, index);
        return;
    }
    // Stopped midway: what stands is one step, what was undone the next; the
    // text is between them, in a state of its own.
    Step rest;
    rest.id = m_nextId++;
    rest.undone = std::move(step.undone);
    step.undone = Part();
    measure(step);
    m_steps.insert(m_steps.begin() + index + 1, std::move(rest));
    measure(m_steps[size_t(index + 1)]);
    insertState(index + 1, m_sources[size_t(index)]);
    if (m_saved > index)
        ++m_saved;
    m_current = index + 1;
    keepWithinLimit(index, index + 1);
}

bool EditHistory::undo(const Replace &replace)
{
    if (!begin(Direction::Undo))
        return false;
    piece(remaining(), replace);
    end();
    return true;
}

bool EditHistory::redo(const Replace &replace)
{
    if (!begin(Direction::Redo))
        return false;
    piece(remaining(), replace);
    end();
    return true;
}

void EditHistory::setLimit(qsizetype bytes)
{
    m_limit = bytes;
    keepWithinLimit(m_current - 1, m_current - 1);
}

void EditHistory::swap(Step &step, Direction direction, qsizetype count, const Replace &replace)
{
    Part &from = direction == Direction::Undo ? step.standing : step.undone;
    Part &to = direction == Direction::Undo ? step.undone : step.standing;
    for (; count > 0 && !from.spans.empty(); --count) {
        const Span span = from.spans.back();
        const QString text = from.popText(span);
        const QString replaced = replace(span.position, span.length, text);
        to.push({span.position, int(text.size()), int(replaced.size())}, replaced);
    }
}

void EditHistory::measure(Step &step)
{
    const auto partBytes = [](const Part &part) {
        return qsizetype(part.spans.capacity() * sizeof(Span)) + part.texts.capacity() * qsizetype(sizeof(QChar));
    };
    const qsizetype bytes = qsizetype(sizeof(Step)) + partBytes(step.standing) + partBytes(step.undone);
    m_bytes += bytes - step.bytes;
    step.bytes = bytes;
}

void EditHistory::dropRedo()
{
    while (m_current < qsizetype(m_steps.size()))
        eraseStep(qsizetype(m_steps.size()) - 1, qsizetype(m_steps.size()));
}

void EditHistory::insertState(qsizetype at, const QString &source)
{
    m_sources.insert(m_sources.begin() + at, source);
}

void EditHistory::eraseStep(qsizetype index, qsizetype state)
{
    m_bytes -= m_steps[size_t(index)].bytes;
    m_steps.erase(m_steps.begin() + index);
    m_sources.erase(m_sources.begin() + state);
    if (m_saved == state)
        m_saved = -1;
    else if (m_saved > state)
        --m_saved;
    if (m_current >= state && m_current > 0)
        --m_current;
    if (m_busy > index)
        --m_busy;
}

void EditHistory::keepWithinLimit(qsizetype keepFirst, qsizetype keepLast)
{
    while (m_bytes > m_limit) {
        if (m_current > 0 && keepFirst > 0 && m_busy != 0) {
            // The oldest step that stands goes first, with the state before it.
            eraseStep(0, 0);
            ++m_dropped;
            --keepFirst;
            --keepLast;
            continue;
        }
        const qsizetype last = qsizetype(m_steps.size()) - 1;
        if (last >= m_current && last > keepLast && last != m_busy) {
            // Then the step furthest from being redone, with the state after it.
            eraseStep(last, last + 1);
            continue;
        }
        break;
    }
}
