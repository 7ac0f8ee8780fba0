// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <map>
#include <optional>

class Clock;
class OneShotTimer;
class PortWriter;
class SequenceDocument;

// Plays the sequence: each tick of the timer takes the next line of the
// document, announces it, sends its command part (character 11 on, CR
// included) and waits the line's own interval (characters 5 to 9) before the
// next. The first line goes out 100 ms after run(); the end of the text stops
// playback (Ending::EndOfSequence).
//
// The timer is scheduled against due times on the clock, so line n+1 leaves
// the interval of line n after line n was due, and small delays do not add up
// over a long run. The timer is set a little early; the tick announces the
// line, then waits for the due time on the clock and writes.
//
// Around that, the operator's controls: stop at once, pause and resume with the
// remaining wait kept, step through lines one at a time, start from any line,
// and loop back to the first line instead of ending. None of them changes what
// a line sends or when.
//
// A command may go out in pieces (setPieces: an eased move's steps): the first
// leaves as the line does, the others each at its own time after it, on the
// same timer between the lines. The next line drops the pieces still waiting,
// and so does a stop; a pause holds them and the resume plays them on, later
// by the pause. Once the sequence has ended, or halted at an interval of 0,
// the last line's pieces still go out.
class Playback final : public QObject
{
    Q_OBJECT

public:
    enum class State { Stopped, Running, Paused };
    // Why playback last stopped.
    enum class Ending { None, EndOfSequence, ZeroInterval, PortNotOpen, DeviceLost, Stopped };

    // What a command sent was.
    enum class Sent { Line, Glide };

    // All four outlive this object; the timer is this object's alone.
    Playback(const SequenceDocument &document, OneShotTimer &timer, Clock &clock, const PortWriter &writer);
    ~Playback() override;

    // One piece of a command: its text (CR included), and when it goes out,
    // in µs after the command's first piece.
    struct Piece {
        QString text;
        qint64 afterUs = 0;
    };
    // What a command goes out as, asked just before it leaves: a line as
    // played (at the playback speed) or a glide. No pieces: as it is.
    using Pieces = std::function<QList<Piece>(const QString &command)>;
    void setPieces(Pieces pieces) { m_pieces = std::move(pieces); }
    // Pieces still to go out.
    qsizetype piecesWaiting() const { return qsizetype(m_waiting.size()); }

    // Starts at the first line; restarts when already playing.
    void run();
    // Like run(), starting at `line` (zero-based). When gliding is on and the
    // lines before `line` moved any channel, first one glide command takes
    // those channels to where those lines leave them, and the first line
    // follows once the glide has had its time.
    void runFrom(qsizetype line);
    // Stops, then glides every channel of `pose` there in the glide's time
    // (straight there when gliding is off). True when sent.
    bool glideTo(const std::map<int, int> &pose);

    // The time of a glide, in ms at ×1; 0 (as constructed) turns gliding off.
    static constexpr int defaultGlideMs = 1500;
    void setGlideMs(int ms) { m_glideMs = qMax(ms, 0); }
    int glideMs() const { return m_glideMs; }
    // Plays ×`factor` (see playbackspeed): waits and T divided by it, speeds
    // multiplied; the sequence itself is untouched.
    void setSpeed(double factor);
    double speed() const { return m_speed; }
    // `ms` at the speed in force, in whole milliseconds.
    int scaled(int ms) const;
    // Stops at once: no pending tick, nothing more is sent (no piece either,
    // also when playback had ended). What is already queued for the line
    // still goes out (the window's end).
    void stop();
    // The operator's stop: stop(), and every command not yet on the wire is
    // dropped, also when playback was already stopped.
    void stopAndDiscard();
    // Stops because the port's device is gone.
    void stopForLostDevice();
    // Holds before the next line (and the next piece) and resumes with the
    // wait that was left.
    void pause();
    void resume();
    // When paused, sends the next line of the paused run as a tick would,
    // without starting the timer; the run then goes on after it.
    void step();
    // When stopped, sends line `line` as a tick would; true when it was a line
    // with text (sent or refused).
    bool stepLine(qsizetype line);
    // At the end of the text, start again at the first line instead of ending.
    void setLooping(bool looping);
    bool isLooping() const { return m_looping; }

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::Running; }
    Ending ending() const { return m_ending; }
    // Zero-based index of the line most recently played, -1 before the first.
    qsizetype lastPlayedLine() const { return m_lastPlayed; }
    // While a run from a line glides into that line's starting pose: the line.
    std::optional<qsizetype> glidingInto() const { return m_glidingInto; }
    // Lines in the sequence, not counting the empty last line after a final CR.
    qsizetype sequenceLength() const;
    // Passes through the whole text completed while looping.
    int loopsCompleted() const { return m_loops; }

    // The period in force: the last interval the timer accepted.
    int period() const { return m_period; }

Q_SIGNALS:
    // A run starts at `line`.
    void started(qsizetype line);
    // Line `line` is about to be sent.
    void linePlayed(qsizetype line);
    // Playback stopped, for `ending`.
    void stopped(Playback::Ending ending);
    // The state, the line played or the ending changed.
    void statusChanged();
    // The playback speed changed.
    void speedChanged();
    // `command` (CR included) was handed to the port, as it went out.
    void sent(const QString &command, Playback::Sent what);

private:
    struct Waiting {
        qint64 dueNs = 0;
        QString text;
    };

    // Writes `command` as playback does (Report when closed), its first piece
    // when it has pieces, the others to wait for their time; true when written.
    bool write(const QString &command, Sent what);
    void dropPieces();
    // Whether the timer's next event is for a piece rather than a line.
    bool pieceIsNext() const;
    void onTimer();
    void writePiece();
    // Sends `command` (a glide, CR included) as a line would, then plays on
    // from `line` once `glideMs` have passed.
    void glideThenRunFrom(const QString &command, int glideMs, qsizetype line);
    // Starts the run at `line`; its first line goes out `firstWaitMs` later.
    void start(qsizetype line, int firstWaitMs);
    void tick();
    void play(const QString &line);
    // Announces line `index` and writes its command; the interval it reads,
    // when it was sent.
    std::optional<qint16> send(qsizetype index, const QString &line);
    // Stops at once for `ending`; nothing more is sent.
    void stopFor(Ending ending);
    void halt(Ending ending);
    void scheduleNext();
    void startTimerForDue();

    const SequenceDocument &m_document;
    OneShotTimer &m_timer;
    Clock &m_clock;
    const PortWriter &m_writer;

    State m_state = State::Stopped;
    Ending m_ending = Ending::None;
    bool m_looping = false;
    int m_loops = 0;
    qint64 m_dueNs = 0;    // when the pending tick is due, on m_clock
    qint64 m_pausedNs = 0; // the wait that was left when paused
    int m_period = 100;
    qsizetype m_playLine = 0;
    qsizetype m_lastPlayed = -1;
    std::optional<qsizetype> m_glidingInto;
    int m_glideMs = 0;
    double m_speed = 1.0;
    Pieces m_pieces;
    std::deque<Waiting> m_waiting; // in the order they are due
    bool m_piecesHeld = false;     // by a pause
    qint64 m_pausedAtNs = 0;
};
