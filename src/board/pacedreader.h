// SPDX-License-Identifier: MIT
#pragma once

// Takes bytes off the board's terminal no faster than the line the program set
// up could carry them (baud / bits per character), as a board on a real serial
// line sees them; the program meets the line's back-pressure when it writes
// faster than that. Unpaced, it reads as fast as bytes come.

#include "boardterminal.h"

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

// The line's timing, apart from any clock or device. The line carries one byte
// after another at its rate, starting no earlier than the moment bytes are
// seen waiting; a byte can be taken once the line has carried it.
class LinePacer
{
public:
    // Bytes are waiting at `nowUs` on a line that may have been idle.
    void notice(qint64 nowUs);
    // Bytes carried by `nowUs` and not taken yet.
    qsizetype carried(qint64 nowUs, double bytesPerSecond) const;
    void take(qsizetype bytes, double bytesPerSecond);
    // When the line will have carried `bytes` more.
    qint64 carriedAt(qsizetype bytes, double bytesPerSecond) const;

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
    void readAvailable(bool noticed);
    void pauseUntil(qint64 wakeUs, qint64 nowUs);

    BoardTerminal &m_terminal;
    bool m_pacing;
    LinePacer m_pacer;
    QSocketNotifier m_notifier;
    QTimer m_wake;
};
