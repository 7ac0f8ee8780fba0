// SPDX-License-Identifier: MIT
#include "playback.h"

#include "core/clock.h"
#include "core/glidepose.h"
#include "core/playbackspeed.h"
#include "core/sequencedocument.h"
#include "core/sequenceline.h"
#include "link/portwriter.h"

#include <cmath>

namespace {

constexpr int firstTickDelay = 100;
constexpr qint64 nsPerMs = 1'000'000;
// The timer counts whole milliseconds and fires up to a millisecond or so
// late; under load a little more. It is set this much before a line is due,
// and the tick waits out the rest on the clock just before the write.
constexpr qint64 wakeEarlyNs = 2 * nsPerMs;

} // namespace

Playback::Playback(const SequenceDocument &document, OneShotTimer &timer, Clock &clock, const PortWriter &writer)
    : m_document(document), m_timer(timer), m_clock(clock), m_writer(writer)
{
    m_timer.setTick([this] { onTimer(); });
}

Playback::~Playback()
{
    m_timer.stop();
    m_timer.setTick({});
}

void Playback::run()
{
    runFrom(0);
}

void Playback::runFrom(qsizetype line)
{
    m_document.completePending();
    if (m_glideMs > 0)
        if (const glidepose::Pose pose = glidepose::before(m_document, line); !pose.empty())
            return glideThenRunFrom(glidepose::command(pose, scaled(m_glideMs)), scaled(m_glideMs), line);
    start(line, firstTickDelay);
}

bool Playback::write(const QString &command, Sent what)
{
    const QList<Piece> pieces = m_pieces ? m_pieces(command) : QList<Piece>{};
    const qint64 departureNs = m_clock.nowNs();
    const bool written =
        m_writer.write(pieces.isEmpty() ? command : pieces.first().text, PortWriter::WhenClosed::Report, [this] {
            if (m_state != State::Stopped)
                halt(Ending::PortNotOpen);
        });
    if (!written)
        return false;
    for (qsizetype i = 1; i < pieces.size(); ++i)
        m_waiting.push_back({departureNs + pieces[i].afterUs * 1000, pieces[i].text});
    Q_EMIT sent(command, what);
    return true;
}

void Playback::dropPieces()
{
    m_waiting.clear();
    m_piecesHeld = false;
}

bool Playback::pieceIsNext() const
{
    return !m_waiting.empty() && !m_piecesHeld && (m_state != State::Running || m_waiting.front().dueNs < m_dueNs);
}

void Playback::onTimer()
{
    if (pieceIsNext()) {
        writePiece();
        startTimerForDue();
    } else if (m_state == State::Running) {
        tick();
    }
}

void Playback::writePiece()
{
    // After a stall, only the latest piece due: each says where the arm is to
    // be by the next, and the ones before it are past.
    while (m_waiting.size() > 1 && m_waiting[1].dueNs <= m_clock.nowNs())
        m_waiting.pop_front();
    const Waiting piece = m_waiting.front();
    m_waiting.pop_front();
    m_clock.waitUntil(piece.dueNs);
    // A piece the port refuses is passed over: the next says where the arm is
    // to be by then. A port closed since the line left is the next line's to
    // report.
    m_writer.write(piece.text, PortWriter::WhenClosed::Silent);
}

void Playback::glideThenRunFrom(const QString &command, int glideMs, qsizetype line)
{
    // Nothing of a run in progress may go out while the glide does.
    m_timer.stop();
    dropPieces();
    if (!write(command, Sent::Glide)) {
        if (m_state != State::Stopped)
            halt(Ending::Stopped);
        return;
    }
    start(line, glideMs);
    m_glidingInto = line;
    Q_EMIT statusChanged();
}

bool Playback::glideTo(const glidepose::Pose &pose)
{
    stop();
    const bool written = !pose.empty() && write(glidepose::command(pose, scaled(m_glideMs)), Sent::Glide);
    startTimerForDue();
    return written;
}

void Playback::setSpeed(double factor)
{
    if (factor <= 0 || factor == m_speed)
        return;
    m_speed = factor;
    Q_EMIT speedChanged();
}

int Playback::scaled(int ms) const
{
    return playbackspeed::scaledMs(ms, m_speed);
}

void Playback::start(qsizetype line, int firstWaitMs)
{
    m_playLine = qMax<qsizetype>(line, 0);
    m_period = firstTickDelay;
    m_dueNs = m_clock.nowNs() + firstWaitMs * nsPerMs;
    m_state = State::Running;
    m_ending = Ending::None;
    m_loops = 0;
    m_lastPlayed = -1;
    m_glidingInto.reset();
    Q_EMIT started(m_playLine);
    startTimerForDue();
    Q_EMIT statusChanged();
}

void Playback::stop()
{
    stopFor(Ending::Stopped);
}

void Playback::stopAndDiscard()
{
    stop();
    m_writer.discardUnsent();
}

void Playback::stopForLostDevice()
{
    stopFor(Ending::DeviceLost);
}

void Playback::stopFor(Ending ending)
{
    dropPieces();
    if (m_state != State::Stopped)
        halt(ending);
    else
        m_timer.stop();
}

void Playback::pause()
{
    if (m_state != State::Running)
        return;
    const qint64 now = m_clock.nowNs();
    m_pausedNs = qMax<qint64>(m_dueNs - now, 0);
    m_pausedAtNs = now;
    m_piecesHeld = !m_waiting.empty();
    m_timer.stop();
    m_state = State::Paused;
    Q_EMIT statusChanged();
}

void Playback::resume()
{
    if (m_state != State::Paused)
        return;
    const qint64 now = m_clock.nowNs();
    if (m_piecesHeld) {
        // The rest of the move, as it would have gone, later by the pause.
        for (Waiting &piece : m_waiting)
            piece.dueNs += now - m_pausedAtNs;
        m_piecesHeld = false;
    }
    m_dueNs = now + m_pausedNs;
    m_state = State::Running;
    startTimerForDue();
    Q_EMIT statusChanged();
}

void Playback::step()
{
    if (m_state != State::Paused)
        return;
    if (const std::optional<QString> line = m_document.lineWithBreak(m_playLine); line && !line->isEmpty()) {
        send(m_playLine, *line);
        ++m_playLine;
        // Its pieces go out while the run stays paused.
        startTimerForDue();
    }
    Q_EMIT statusChanged();
}

bool Playback::stepLine(qsizetype index)
{
    if (m_state != State::Stopped)
        return false;
    const std::optional<QString> line = m_document.lineWithBreak(index);
    if (!line || line->isEmpty())
        return false;
    send(index, *line);
    startTimerForDue();
    Q_EMIT statusChanged();
    return true;
}

void Playback::setLooping(bool looping)
{
    m_looping = looping;
}

qsizetype Playback::sequenceLength() const
{
    const qsizetype lines = m_document.lineCount();
    return lines > 0 && m_document.lineText(lines - 1).isEmpty() ? lines - 1 : lines;
}

void Playback::tick()
{
    std::optional<QString> line = m_document.lineWithBreak(m_playLine);
    if ((!line || line->isEmpty()) && m_looping && m_playLine > 0) {
        ++m_loops;
        m_playLine = 0;
        line = m_document.lineWithBreak(m_playLine);
    }
    if (!line || line->isEmpty()) {
        // The end is due like a line.
        m_clock.waitUntil(m_dueNs);
        halt(Ending::EndOfSequence);
    } else {
        play(*line);
    }
    ++m_playLine;
    if (m_state == State::Running)
        scheduleNext();
    Q_EMIT statusChanged();
}

void Playback::play(const QString &line)
{
    // Any failure skips the rest of the line and keeps the period; a port that
    // is not open also stops playback, before its message is shown.
    const std::optional<qint16> interval = send(m_playLine, line);
    if (!interval || m_state != State::Running)
        return;
    if (*interval == 0) {
        // A period of 0 halts playback without a word; Run starts it again.
        halt(Ending::ZeroInterval);
    } else if (*interval > 0) {
        // A negative interval is refused: the previous period stays.
        m_period = *interval;
    }
}

std::optional<qint16> Playback::send(qsizetype index, const QString &line)
{
    // The line before has had its time: what is left of its pieces is dropped,
    // and this line's move starts from where they brought the arm.
    dropPieces();
    m_lastPlayed = index;
    m_glidingInto.reset();
    Q_EMIT linePlayed(index);
    // A tick comes a little early: the line leaves at its due time.
    if (m_state == State::Running)
        m_clock.waitUntil(m_dueNs);

    const sequenceline::Playback parsed = sequenceline::readForPlayback(line);
    if (!parsed.interval || !parsed.command)
        return std::nullopt;
    return write(playbackspeed::played(*parsed.command, m_speed), Sent::Line) ? parsed.interval : std::nullopt;
}

void Playback::halt(Ending ending)
{
    m_state = State::Stopped;
    m_glidingInto.reset();
    m_ending = ending;
    // Nothing follows the last line played: its move goes on to its end.
    if (ending != Ending::EndOfSequence && ending != Ending::ZeroInterval)
        dropPieces();
    startTimerForDue();
    Q_EMIT statusChanged();
    Q_EMIT stopped(ending);
}

void Playback::scheduleNext()
{
    const qint64 period = qint64(std::llround(double(m_period) * double(nsPerMs) / m_speed));
    const qint64 now = m_clock.nowNs();
    // A line that left more than a whole interval late starts the count
    // afresh: the next one keeps its interval after it instead of following
    // at once.
    m_dueNs = m_dueNs + period >= now ? m_dueNs + period : now + period;
    startTimerForDue();
}

void Playback::startTimerForDue()
{
    std::optional<qint64> next;
    if (m_state == State::Running)
        next = m_dueNs;
    if (!m_waiting.empty() && !m_piecesHeld)
        next = std::min(next.value_or(m_waiting.front().dueNs), m_waiting.front().dueNs);
    if (!next) {
        m_timer.stop();
        return;
    }
    const qint64 wait = *next - m_clock.nowNs() - wakeEarlyNs;
    m_timer.start(int(qMax<qint64>(0, wait / nsPerMs)));
}
