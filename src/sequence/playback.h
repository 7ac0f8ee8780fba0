#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class Notifier;
class PortWriter;
class QWidget;
class SequenceEditor;

// Plays the sequence: each tick of Timer1 takes the next line, marks it in the
// editor, sends its command part (character 11 on, CR included) and waits the
// line's own interval (characters 5 to 9) before the next. The first line goes
// out 100 ms after run(); the end of the text stops playback with "ok".
//
// The timer is scheduled against due times, so line n+1 leaves the interval of
// line n after line n was due, and small delays do not add up over a long run.
// Timer1 fires a little early; the tick marks the line, then waits for the due
// time on the monotonic clock and writes.
class Playback final : public QObject
{
    Q_OBJECT

public:
    Playback(SequenceEditor &editor, const PortWriter &writer, Notifier &notifier, QWidget *messageParent);

    // Starts at the first line; restarts when already playing.
    void run();
    bool isRunning() const { return m_running; }

    // The period in force: the last interval the timer accepted.
    int period() const { return m_period; }

private:
    void tick();
    void play(const QString &line);
    void scheduleNext();
    void waitUntilDue() const;
    void stop();

    SequenceEditor &m_editor;
    const PortWriter &m_writer;
    Notifier &m_notifier;
    QWidget *m_messageParent;

    QTimer m_timer; // single-shot, started again for each line
    bool m_running = false;
    QElapsedTimer m_clock;
    qint64 m_dueNs = 0; // when the pending tick is due, on m_clock
    int m_period = 100;
    qsizetype m_playLine = 0;
};
