// SPDX-License-Identifier: MIT
#include "posetimeline.h"

#include "core/sequencedocument.h"
#include "shared/wirecommand.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {

// Whether a fold that reached `now` may take `old` back: the same pose, the
// same interval in force, at the same time, with the board at rest in both.
bool sameState(const PoseTimeline::State &now, const PoseTimeline::State &old)
{
    return now.pose == old.pose && now.inForce == old.inForce && now.startUs == old.startUs && now.used == old.used
           && now.model.arrivalUs() <= now.startUs && old.model.arrivalUs() <= old.startUs;
}

} // namespace

PoseTimeline::PoseTimeline(const SequenceDocument &document, QObject *parent)
    : QObject(parent), m_document(document), m_checkpoints(1), m_towardsAwaited(new QTimer(this))
{
    connect(&document, &SequenceDocument::linesChanged, this, &PoseTimeline::onLinesChanged);
    m_towardsAwaited->setInterval(0);
    connect(m_towardsAwaited, &QTimer::timeout, this, &PoseTimeline::foldTowardsAwaited);
}

void PoseTimeline::setLine(double bytesPerSecond)
{
    if (bytesPerSecond == m_bytesPerSecond)
        return;
    m_bytesPerSecond = bytesPerSecond;
    refold();
}

void PoseTimeline::setLimits(const ChannelSetup &setup)
{
    m_playing.limits = &setup;
    refold();
}

void PoseTimeline::setSpeed(double speed)
{
    if (speed == m_playing.speed)
        return;
    m_playing.speed = speed;
    refold();
}

void PoseTimeline::setEasing(const poseline::Easing &easing)
{
    if (easing == m_playing.easing)
        return;
    m_playing.easing = easing;
    refold();
}

void PoseTimeline::refold()
{
    m_resumeFrom = -1;
    resetFrom(0);
}

qsizetype PoseTimeline::lineCount() const
{
    return m_document.sequenceLineCount();
}

PoseTimeline::State PoseTimeline::next(const State &before, const poseline::LineMove &move, poseline::Figures &figures,
                                       motion::MotionModel &after, QList<Taken> *taken) const
{
    figures = poseline::figures(move, before.pose, before.inForce, m_bytesPerSecond, before.model.topRate(),
                                m_playing.speed, m_playing.easing);
    State state;
    state.pose = poseline::apply(before.pose, move);
    state.inForce = poseline::intervalAfter(move, before.inForce);
    state.startUs = before.startUs + qint64(figures.interval) * 1000;
    state.used = before.used;
    for (const motion::Target &target : move.targets)
        state.used |= 1u << target.channel;
    state.flagged = before.flagged || figures.problem != poseline::Figures::Problem::None;
    after = before.model;
    if (move.targets.isEmpty()) {
        state.model = after;
        return state;
    }
    // From where the board really is, as playback compiles it from the twin.
    const easedmove::Plan plan =
        poseline::plan(move, {before.model, before.startUs}, m_playing.easing, m_bytesPerSecond);
    if (plan.hasSteps()) {
        const qsizetype sent = poseline::commandsSent(plan, qint64(figures.interval) * 1000);
        for (qsizetype i = 0; i < sent; ++i) {
            const easedmove::Command &command = plan.commands[i];
            const wirecommand::Command read = wirecommand::read(QStringView(command.text));
            // The first leaves with the line, the others when they are due.
            const qint64 atUs = before.startUs + (i == 0 ? command.wireUs : command.arrivalUs());
            after.apply(read.targets(), read.timeMs, atUs);
            if (taken)
                taken->append({read.targets(), read.timeMs, atUs});
        }
    } else {
        // The board takes the command once its last byte is in.
        const qint64 wireUs = m_bytesPerSecond > 0 ? qint64(double(move.bytes) * 1e6 / m_bytesPerSecond) : 0;
        after.apply(move.targets, move.timeMs, before.startUs + wireUs);
    }
    state.model = after;
    return state;
}

bool PoseTimeline::foldMore(qsizetype lines)
{
    const qsizetype count = lineCount();
    while (lines > 0 && !folded()) {
        const qsizetype index = m_valid - 1;
        State state = m_checkpoints[size_t(index)];
        state.flagged = false;
        const qsizetype first = index * chunk;
        const qsizetype end = std::min(first + chunk, count);
        QTextBlock block = m_document.textDocument().findBlockByNumber(int(first));
        poseline::Figures figures;
        motion::MotionModel after;
        for (qsizetype line = first; line < end && block.isValid(); ++line, block = block.next())
            state = next(state, poseline::read(block.text(), m_playing), figures, after);
        lines -= end - first;
        const auto slot = size_t(m_valid);
        if (m_resumeFrom >= 0 && m_valid >= m_resumeFrom && slot < m_checkpoints.size()
            && sameState(state, m_checkpoints[slot])) {
            // The rest is as it was: the old checkpoints hold from here on.
            m_valid = qsizetype(m_checkpoints.size());
            m_resumeFrom = -1;
            m_used = m_checkpoints.back().used;
            break;
        }
        if (slot < m_checkpoints.size())
            m_checkpoints[slot] = state;
        else
            m_checkpoints.push_back(state);
        ++m_valid;
        m_used |= state.used;
    }
    if (folded()) {
        m_checkpoints.resize(size_t(m_valid));
        m_resumeFrom = -1;
        m_used = m_checkpoints.back().used;
    }
    Q_EMIT foldGrew();
    return folded();
}

bool PoseTimeline::folded() const
{
    return (m_valid - 1) * chunk >= lineCount();
}

qint64 PoseTimeline::foldedUs() const
{
    return m_checkpoints[size_t(m_valid - 1)].startUs;
}

PoseTimeline::CachedChunk &PoseTimeline::fillCache(qsizetype chunkIndex, qsizetype offset)
{
    // The checkpoint before the chunk, folded to if need be.
    while (m_valid - 1 < chunkIndex && !folded())
        foldMore(chunk);
    chunkIndex = std::min(chunkIndex, m_valid - 1);
    auto found = std::find_if(m_cache.begin(), m_cache.end(),
                              [chunkIndex](const CachedChunk &cached) { return cached.index == chunkIndex; });
    if (found == m_cache.end()) {
        if (m_cache.size() < cachedChunks)
            m_cache.emplace_back();
        found = m_cache.end() - 1;
        found->index = chunkIndex;
        found->rows.clear();
        // Never moved while filled: a row read stays valid while its chunk is kept.
        found->rows.reserve(size_t(chunk));
    }
    std::rotate(m_cache.begin(), found, found + 1);
    CachedChunk &cached = m_cache.front();
    std::vector<Row> &rows = cached.rows;
    const qsizetype first = cached.index * chunk;
    const qsizetype end = std::min({first + offset + 1, first + chunk, lineCount()});
    qsizetype line = first + qsizetype(rows.size());
    if (line >= end)
        return cached;
    State state = m_checkpoints[size_t(cached.index)];
    if (!rows.empty()) {
        poseline::Figures figures;
        motion::MotionModel after;
        state = next(rows.back().before, rows.back().move, figures, after);
    }
    QTextBlock block = m_document.textDocument().findBlockByNumber(int(line));
    for (; line < end && block.isValid(); ++line, block = block.next()) {
        Row row;
        row.known = true;
        row.before = state;
        row.move = poseline::read(block.text(), m_playing);
        state = next(state, row.move, row.figures, row.after, &row.steps);
        rows.push_back(std::move(row));
    }
    return cached;
}

const PoseTimeline::Row &PoseTimeline::row(qsizetype line)
{
    static const Row none;
    if (line < 0 || line >= lineCount())
        return none;
    if (line / chunk - (m_valid - 1) > reach) {
        // Beyond reach: the fold gets there over turns of the event loop.
        m_awaited = m_awaited < 0 ? line : std::min(m_awaited, line);
        m_towardsAwaited->start();
        return none;
    }
    const CachedChunk &cached = fillCache(line / chunk, line % chunk);
    const qsizetype offset = line - cached.index * chunk;
    return offset < qsizetype(cached.rows.size()) ? cached.rows[size_t(offset)] : none;
}

void PoseTimeline::foldTowardsAwaited()
{
    foldMore(reach * chunk);
    if (m_awaited >= 0 && m_awaited / chunk - (m_valid - 1) > reach && !folded())
        return;
    m_towardsAwaited->stop();
    if (m_awaited >= 0)
        Q_EMIT changedFrom(std::exchange(m_awaited, -1));
}

qsizetype PoseTimeline::checkpointIndexAt(qint64 timeUs) const
{
    const auto valid = m_checkpoints.begin() + m_valid;
    const auto after = std::upper_bound(m_checkpoints.begin(), valid, timeUs,
                                        [](qint64 time, const State &state) { return time < state.startUs; });
    return std::max<qsizetype>(after - m_checkpoints.begin() - 1, 0);
}

qsizetype PoseTimeline::lineAt(qint64 timeUs)
{
    const qsizetype index = std::min(checkpointIndexAt(timeUs), (lineCount() - 1) / chunk);
    const CachedChunk &cached = fillCache(index, chunk - 1);
    const auto after = std::upper_bound(cached.rows.begin(), cached.rows.end(), timeUs,
                                        [](qint64 time, const Row &row) { return time < row.before.startUs; });
    return cached.index * chunk + std::max<qsizetype>(after - cached.rows.begin() - 1, 0);
}

void PoseTimeline::resetFrom(qsizetype first)
{
    const qsizetype keep = std::min(m_valid, first / chunk + 1);
    m_valid = std::max<qsizetype>(keep, 1);
    if (m_resumeFrom < 0)
        m_checkpoints.resize(size_t(m_valid));
    // The rows before the edit hold; those after it are computed again when asked for.
    for (CachedChunk &cached : m_cache) {
        if (cached.index > first / chunk)
            cached.rows.clear();
        else if (cached.index == first / chunk)
            cached.rows.resize(std::min(cached.rows.size(), size_t(first % chunk)));
    }
    m_used = m_checkpoints[size_t(m_valid - 1)].used | (m_resumeFrom >= 0 ? m_used : 0);
    Q_EMIT changedFrom(first);
}

void PoseTimeline::onLinesChanged(qsizetype first, qsizetype removed, qsizetype added)
{
    if (removed == added) {
        // The old checkpoints past the edit may still hold.
        const qsizetype resume = (first + added) / chunk + 1;
        m_resumeFrom = m_resumeFrom < 0 && m_valid > resume ? resume : std::max(m_resumeFrom, resume);
        if (m_resumeFrom >= m_valid && m_resumeFrom >= qsizetype(m_checkpoints.size()))
            m_resumeFrom = -1;
    } else {
        m_resumeFrom = -1;
    }
    resetFrom(first);
}
