// SPDX-License-Identifier: MIT
#include "stretchjob.h"

#include "core/poseline.h"
#include "core/posetimeline.h"
#include "core/sequencedocument.h"

StretchJob::StretchJob(SequenceDocument &document, PoseTimeline &timeline, qsizetype first, qsizetype last,
                       QObject *parent)
    : SequenceJob(parent),
      m_document(document),
      m_timeline(timeline),
      m_first(std::max<qsizetype>(first, 0)),
      m_last(std::min(last, document.sequenceLineCount() - 1)),
      m_next(m_first)
{
    // The figures read hold for the text they were read from.
    connect(&document, &SequenceDocument::linesChanged, this, [this] {
        if (m_next <= m_last)
            m_stale = true;
    });
}

std::optional<SequenceJob::Outcome> StretchJob::runPart()
{
    qsizetype budget = partLines;
    if (m_next <= m_last) {
        const qsizetype before = m_next;
        if (!read(budget))
            return Outcome::Interrupted;
        budget -= m_next - before;
        if (m_next <= m_last || budget == 0) {
            showProgress();
            return std::nullopt;
        }
    }
    // Reading is over: what is left of this part goes to writing.
    if (!write(budget))
        return Outcome::Interrupted;
    showProgress();
    if (m_written < qsizetype(m_changes.size()))
        return std::nullopt;
    return Outcome::Done;
}

bool StretchJob::read(qsizetype lines)
{
    if (m_stale)
        return false;
    const qsizetype end = std::min(m_next + lines, m_last + 1);
    for (; m_next < end; ++m_next) {
        const PoseTimeline::Row &row = m_timeline.row(m_next);
        if (!row.known && !m_timeline.folded()) {
            // Far ahead of the fold: it gets there a slice a part.
            m_timeline.foldMore(PoseTimeline::reach * PoseTimeline::chunk);
            return true;
        }
        const poseline::Figures &figures = row.figures;
        if (figures.problem == poseline::Figures::Problem::CannotArrive
            || figures.problem == poseline::Figures::Problem::WireTooSlow)
            m_changes.push_back({m_next, poseline::stretchedInterval(figures)});
    }
    return true;
}

bool StretchJob::write(qsizetype lines)
{
    std::vector<SequenceDocument::Replacement> replacements;
    const auto end = std::min(m_written + lines, qsizetype(m_changes.size()));
    for (qsizetype at = m_written; at < end; ++at) {
        const Change &change = m_changes[size_t(at)];
        const QString before = m_document.lineText(change.line);
        const QString after = poseline::withInterval(before, change.interval);
        // Only what differs, so that the history holds a few characters a line.
        qsizetype head = 0;
        while (head < before.size() && head < after.size() && before[head] == after[head])
            ++head;
        qsizetype tail = 0;
        while (tail < before.size() - head && tail < after.size() - head
               && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
            ++tail;
        if (head == before.size() && head == after.size())
            continue;
        replacements.push_back({m_document.lineStart(change.line) + head, before.size() - head - tail,
                                after.mid(head, after.size() - head - tail)});
    }
    // Each part joins the step the first one made, for one undo in all.
    if (!replacements.empty()) {
        m_step = m_document.replaceEach(replacements, m_step);
        if (m_step == 0)
            return false;
    }
    m_written = end;
    m_stretched += qsizetype(replacements.size());
    return true;
}

void StretchJob::showProgress()
{
    // Reading and writing each take half of the way.
    const qsizetype lines = m_last - m_first + 1;
    const qsizetype read = m_next - m_first;
    const qsizetype changes = qsizetype(m_changes.size());
    const qsizetype written = m_next > m_last && changes > 0 ? lines * m_written / changes : 0;
    setProgress(read + written, 2 * lines);
}
