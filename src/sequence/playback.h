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
//
// Around that, the operator's controls: stop at once, pause and resume with the
// remaining wait kept, step through lines one at a time, start from any line,
// and loop back to the first line instead of ending. None of them changes what
// a line sends or when.
class Playback final : public QObject
{
    Q_OBJECT

public:
    enum class State { Stopped, Running, Paused };
    // Why playback last stopped.
    enum class Ending { None, EndOfSequence, ZeroInterval, PortNotOpen, DeviceLost, Stopped };

    // `timer` is Timer1, which the window owns and which outlives this object.
    Playback(SequenceEditor &editor, QTimer &timer, const PortWriter &writer, Notifier &notifier,
             QWidget *messageParent);
    ~Playback() override;

    // Starts at the first line; restarts when already playing.
    void run();
    // Like run(), starting at `line` (zero-based).
    void runFrom(qsizetype line);
    // Stops at once: no pending tick, nothing more is sent, the mark stays.
    void stop();
    // Stops because the port's device is gone.
    void stopForLostDevice();
    // Holds before the next line and resumes with the wait that was left.
    void pause();
    void resume();
    // Sends one line as a tick would, without starting the timer: when paused,
    // the next line of the paused run (which then goes on after it); otherwise
    // the line under the caret, and the caret moves to the next line.
    void step();
    // At the end of the text, start again at the first line instead of ending.
    void setLooping(bool looping);
    bool isLooping() const { return m_looping; }

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::Running; }
    Ending ending() const { return m_ending; }
    // Zero-based index of the line most recently played, -1 before the first.
    qsizetype lastPlayedLine() const { return m_lastPlayed; }
    // Lines in the sequence, not counting the empty last line after a final CR.
    qsizetype sequenceLength() const;
    // Passes through the whole text completed while looping.
    int loopsCompleted() const { return m_loops; }

    // The period in force: the last interval the timer accepted.
    int period() const { return m_period; }

Q_SIGNALS:
    // The state, the line played or the ending changed.
    void statusChanged();

private:
    void tick();
    void play(const QString &line);
    // Marks line `index` and writes its command; the interval it reads, when
    // it was sent.
    std::optional<qint16> send(qsizetype index, const QString &line);
    void halt(Ending ending);
    void scheduleNext();
    void startTimerForDue();
    void waitUntilDue() const;

    SequenceEditor &m_editor;
    const PortWriter &m_writer;
    Notifier &m_notifier;
    QWidget *m_messageParent;

    QTimer &m_timer; // single-shot, started again for each line
    State m_state = State::Stopped;
    Ending m_ending = Ending::None;
    bool m_looping = false;
    int m_loops = 0;
    QElapsedTimer m_clock;
    qint64 m_dueNs = 0;     // when the pending tick is due, on m_clock
    qint64 m_pausedNs = 0;  // the wait that was left when paused
    int m_period = 100;
    qsizetype m_playLine = 0;
    qsizetype m_lastPlayed = -1;
};
