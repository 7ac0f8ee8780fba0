// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>
#include <utility>

#include <termios.h>

// A pseudo-terminal: the program opens its device end as a serial port (port
// number 1000 + n for /dev/pts/n), the test reads what arrives at the far end.
//
// On its own a pseudo-terminal is an ideal line: it takes bytes as fast as they
// are read. startReader() makes its far end behave like a board on a real
// line: a thread of its own takes the bytes at the line's rate, so the device
// end pushes back (EAGAIN) when commands come faster.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    // The far end, for readers that poll it themselves (benchmarks).
    int masterFd() const { return m_master; }
    QString devicePath() const { return m_device; }
    int portNumber() const;
    QString portBoxText() const { return QStringLiteral("COM%1").arg(portNumber()); }

    // Everything that has arrived at the far end so far (use with QTRY_*).
    QByteArray received();
    void clearReceived();
    // The same, each read with when it was read: µs on the steady clock the
    // serial port stamps its commands on (SerialPort::steadyNowUs).
    struct Arrival {
        qint64 steadyUs = 0;
        QByteArray bytes;
    };
    QList<Arrival> arrivals();

    // From now on the far end is read by a thread at `bytesPerSecond` (0: as
    // fast as it can), until hangUp() or the end. 11,520 is what 115200 baud
    // 8N1 carries.
    void startReader(int bytesPerSecond);
    // A paused reader takes nothing, like a board that has stopped reading;
    // resumed, it goes on at its rate.
    void setReaderPaused(bool paused) { m_paused = paused; }

    // A held line takes nothing at all from the device end (its writes fail
    // with EAGAIN), like an adapter whose buffer is full; released, it goes on.
    // Unlike a paused reader, nothing piles up in the terminal's own buffers.
    void setLineHeld(bool held);

    // The line settings the device end currently has.
    termios lineSettings() const;

    // Closes the far end, as if the cable were pulled.
    void hangUp();

private:
    // Reads at most `limit` bytes of what is there; returns how many.
    qsizetype readAvailable(qsizetype limit);
    void stopReader();

    int m_master = -1;
    int m_slaveKeepAlive = -1;
    QString m_device;
    std::mutex m_lock; // guards m_received while the reader runs
    QByteArray m_received;
    // Each read: when, and where in m_received it ends.
    QList<std::pair<qint64, qsizetype>> m_reads;
    std::thread m_reader;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_paused = false;
};
