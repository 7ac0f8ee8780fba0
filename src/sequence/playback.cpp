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

Playback::Playback(SequenceEditor &editor, const PortWriter &writer, Notifier &notifier,
                   QWidget *messageParent)
    : QObject(&editor), m_editor(editor), m_writer(writer), m_notifier(notifier), m_messageParent(messageParent)
{
    m_timer.setObjectName(QStringLiteral("Timer1"));
    m_timer.setParent(this);
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &Playback::tick);
}

void Playback::run()
{
    m_editor.setSelectionStart(0);
    m_playLine = 0;
    m_editor.setFocus();
    m_period = firstTickDelay;
    m_clock.start();
    m_dueNs = 0;
    m_running = true;
    scheduleNext();
}

void Playback::tick()
{
    const std::optional<QString> line = GetLineText(m_editor, m_playLine);
    if (!line || line->isEmpty()) {
        stop();
        m_notifier.show(m_messageParent, {Message::Icon::None, {}, QStringLiteral("ok")});
    } else {
        play(*line);
    }
    ++m_playLine;
    if (m_running)
        scheduleNext();
}

void Playback::play(const QString &line)
{
    // Mark the line being played, found by its index so that edits above it
    // during playback cannot shift the mark.
    m_editor.setSelectionStart(m_editor.lineStart(m_playLine));
    m_editor.setSelectionLength(line.size());
    m_editor.setSelectionColor(Qt::black);
    waitUntilDue();

    // Any failure skips the rest of the line and keeps the period; a port that
    // is not open also stops playback, before its message is shown.
    const sequenceline::Playback parsed = sequenceline::readForPlayback(line);
    if (!parsed.interval || !parsed.command || !m_writer.write(*parsed.command, [this] { stop(); }))
        return;
    if (*parsed.interval == 0) {
        // A period of 0 halts playback without a word; Run starts it again.
        stop();
    } else if (*parsed.interval > 0) {
        // A negative interval is refused: the previous period stays.
        m_period = *parsed.interval;
    }
}

void Playback::stop()
{
    m_running = false;
    m_timer.stop();
}

void Playback::scheduleNext()
{
    m_dueNs += m_period * nsPerMs;
    const qint64 now = m_clock.nsecsElapsed();
    // After a stall longer than a whole interval, start counting afresh instead
    // of sending the missed lines in a burst.
    if (m_dueNs < now)
        m_dueNs = now;
    m_timer.start(int(qMax<qint64>(0, (m_dueNs - now - wakeEarlyNs) / nsPerMs)));
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
