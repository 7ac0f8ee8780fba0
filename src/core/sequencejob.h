// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <optional>

class QTimer;

// Long work on the sequence done a part at a time, one part a turn of the
// event loop, so that the window keeps answering meanwhile; with its progress,
// and a way to stop it. Widget-free: whoever starts one may show its progress.
class SequenceJob : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Done,
        Cancelled,   // stopped by cancel()
        Interrupted, // something else changed the sequence meanwhile
    };

    // Runs the first part at once, so that short work is done before this
    // returns; the rest follows from the event loop.
    void start();
    // Stops at once, where the work got to.
    void cancel();
    // Runs the next part now; false once the work is finished.
    bool advance();
    bool isFinished() const { return m_finished; }
    Outcome outcome() const { return m_outcome; }

    // Progress, in units of the job's own (lines, replacements).
    qsizetype done() const { return m_done; }
    qsizetype total() const { return m_total; }

Q_SIGNALS:
    void progressed(qsizetype done, qsizetype total);
    void finished(SequenceJob::Outcome outcome);

protected:
    explicit SequenceJob(QObject *parent = nullptr);

    // One part of the work: its outcome once the work is over, nothing while
    // more is left.
    virtual std::optional<Outcome> runPart() = 0;
    // Ends the work where it got to (cancel() or an interruption).
    virtual void stopHere() { }
    void setProgress(qsizetype done, qsizetype total);

private:
    void finish(Outcome outcome);

    QTimer *m_next;
    qsizetype m_done = 0;
    qsizetype m_total = 0;
    bool m_finished = false;
    Outcome m_outcome = Outcome::Done;
};
