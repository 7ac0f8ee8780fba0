#pragma once

// Takes bytes off the board's terminal no faster than the line the program set
// up could carry them (baud / bits per character), as a board on a real serial
// line sees them; the program meets the line's back-pressure when it writes
// faster than that. Unpaced, it reads as fast as bytes come.

#include "boardterminal.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

// The line's timing, apart from any clock or device: how many bytes a line has
// carried up to an instant that the reader has not taken yet.
class LinePacer
{
public:
    // An idle line lets this much time's worth of bytes through at once, as a
    // receiver's input buffer would hold them.
    static constexpr qint64 burstUs = 2000;

    qsizetype allowance(qint64 nowUs, double bytesPerSecond);
    void take(qsizetype bytes, double bytesPerSecond);
    // When the line has carried one more byte.
    qint64 nextByteUs(double bytesPerSecond) const;

private:
    double m_lineFreeUs = 0; // the line has carried every byte taken by then
};

class PacedReader final : public QObject
{
    Q_OBJECT

public:
    PacedReader(BoardTerminal &terminal, bool pacing, QObject *parent = nullptr);

Q_SIGNALS:
    // `arrivalUs` on monotonicMicros()'s clock.
    void bytesArrived(const QByteArray &bytes, qint64 arrivalUs);

private:
    void readAvailable();
    void pauseUntil(qint64 wakeUs, qint64 nowUs);

    BoardTerminal &m_terminal;
    bool m_pacing;
    LinePacer m_pacer;
    QSocketNotifier m_notifier;
    QTimer m_wake;
};
