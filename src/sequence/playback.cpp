#include "playback.h"

#include "common/notifier.h"
#include "editorlines.h"
#include "link/writerule.h"
#include "sequenceeditor.h"
#include "sequenceline.h"

#include <chrono>
#include <thread>

namespace {

constexpr int firstTickDelay = 100;
constexpr qint64 nsPerMs = 1'000'000;
// Timer1 counts whole milliseconds and fires up to a millisecond or so late;
// under load a little more. It is set this much before a line is due, and the
// tick waits out the rest just before the write.
constexpr qint64 wakeEarlyNs = 2 * nsPerMs;
// The wait sleeps, but a thread woken from a sleep may itself start late; the
// last stretch before the due time is spent watching the clock instead.
constexpr qint64 watchNs = nsPerMs / 2;

} // namespace

Playback::Playback(SequenceEditor &editor, QTimer &timer, const PortWriter &writer, Notifier &notifier,
                   QWidget *messageParent)
    : m_editor(editor), m_writer(writer), m_notifier(notifier), m_messageParent(messageParent), m_timer(timer)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Playback::tick);
}

Playback::~Playback()
{
    m_timer.stop();
}

void Playback::run()
{
    m_editor.setSelectionStart(0);
    m_playLine = 0;
    m_editor.setFocus();
    m_period = firstTickDelay;
    m_clock.start();
    m_dueNs = 0;
    m_state = State::Running;
    m_ending = Ending::None;
    m_loops = 0;
    m_lastPlayed = -1;
    scheduleNext();
    Q_EMIT statusChanged();
}

void Playback::runFrom(qsizetype line)
{
    run();
    m_playLine = qMax<qsizetype>(line, 0);
    m_editor.setSelectionStart(qMax<qsizetype>(m_editor.lineStart(m_playLine), 0));
}

void Playback::stop()
{
    if (m_state != State::Stopped)
        halt(Ending::Stopped);
}

void Playback::stopForLostDevice()
{
    if (m_state != State::Stopped)
        halt(Ending::DeviceLost);
}

void Playback::pause()
{
    if (m_state != State::Running)
        return;
    m_pausedNs = qMax<qint64>(m_dueNs - m_clock.nsecsElapsed(), 0);
    m_timer.stop();
    m_state = State::Paused;
    Q_EMIT statusChanged();
}

void Playback::resume()
{
    if (m_state != State::Paused)
        return;
    m_dueNs = m_clock.nsecsElapsed() + m_pausedNs;
    m_state = State::Running;
    startTimerForDue();
    Q_EMIT statusChanged();
}

void Playback::step()
{
    if (m_state == State::Running)
        return;
    if (m_state == State::Paused) {
        // The next line of the paused run; the run then goes on after it.
        if (const std::optional<QString> line = GetLineText(m_editor, m_playLine); line && !line->isEmpty()) {
            send(m_playLine, *line);
            ++m_playLine;
        }
        Q_EMIT statusChanged();
        return;
    }
    const qsizetype index = GetCaretPosition(m_editor).line;
    const std::optional<QString> line = GetLineText(m_editor, index);
    if (!line || line->isEmpty())
        return;
    send(index, *line);
    if (const qsizetype next = m_editor.lineStart(index + 1); next >= 0)
        m_editor.setSelectionStart(next);
    Q_EMIT statusChanged();
}

void Playback::setLooping(bool looping)
{
    m_looping = looping;
}

qsizetype Playback::sequenceLength() const
{
    const qsizetype lines = m_editor.lineCount();
    return lines > 0 && m_editor.lineLength(m_editor.lineStart(lines - 1)) == 0 ? lines - 1 : lines;
}

void Playback::tick()
{
    std::optional<QString> line = GetLineText(m_editor, m_playLine);
    if ((!line || line->isEmpty()) && m_looping && m_playLine > 0) {
        ++m_loops;
        m_playLine = 0;
        line = GetLineText(m_editor, m_playLine);
    }
    if (!line || line->isEmpty()) {
        halt(Ending::EndOfSequence);
        m_notifier.show(m_messageParent, {Message::Icon::None, {}, QStringLiteral("ok")});
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
    // Mark the line being played, found by its index so that edits above it
    // during playback cannot shift the mark.
    m_editor.setSelectionStart(m_editor.lineStart(index));
    m_editor.setSelectionLength(line.size());
    m_editor.setSelectionColor(Qt::black);
    m_lastPlayed = index;
    // A tick comes a little early: the line leaves at its due time.
    if (m_state == State::Running)
        waitUntilDue();

    const sequenceline::Playback parsed = sequenceline::readForPlayback(line);
    if (!parsed.interval || !parsed.command)
        return std::nullopt;
    const bool written = m_writer.write(*parsed.command, PortWriter::WhenClosed::Report, [this] {
        if (m_state != State::Stopped)
            halt(Ending::PortNotOpen);
    });
    return written ? parsed.interval : std::nullopt;
}

void Playback::halt(Ending ending)
{
    m_state = State::Stopped;
    m_ending = ending;
    m_timer.stop();
    Q_EMIT statusChanged();
}

void Playback::scheduleNext()
{
    m_dueNs += m_period * nsPerMs;
    const qint64 now = m_clock.nsecsElapsed();
    // After a stall longer than a whole interval, start counting afresh instead
    // of sending the missed lines in a burst.
    if (m_dueNs < now)
        m_dueNs = now;
    startTimerForDue();
}

void Playback::startTimerForDue()
{
    const qint64 wait = m_dueNs - m_clock.nsecsElapsed() - wakeEarlyNs;
    m_timer.start(int(qMax<qint64>(0, wait / nsPerMs)));
}

void Playback::waitUntilDue() const
{
    // At most wakeEarlyNs plus the timer's rounding, and nothing when the tick
    // is late; the processor is busy for watchNs at most.
    const qint64 early = m_dueNs - m_clock.nsecsElapsed();
    if (early > watchNs)
        std::this_thread::sleep_for(std::chrono::nanoseconds(early - watchNs));
    while (m_clock.nsecsElapsed() < m_dueNs) {
        // watch the clock
    }
}
