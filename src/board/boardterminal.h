// SPDX-License-Identifier: MIT
#pragma once

// The board's end of a pseudo-terminal: the program opens the device end
// (/dev/pts/N) as its serial port, the board reads what arrives here.

#include <QString>

#include <optional>

struct LineRate {
    int baud = 0;
    int bitsPerCharacter = 10; // start + data + parity + stop
    double bytesPerSecond() const { return double(baud) / bitsPerCharacter; }
};

class BoardTerminal
{
public:
    // Opens a new pseudo-terminal; `isOpen()` tells whether it worked.
    BoardTerminal();
    ~BoardTerminal();
    BoardTerminal(const BoardTerminal &) = delete;
    BoardTerminal &operator=(const BoardTerminal &) = delete;

    bool isOpen() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    QString device() const { return m_device; } // /dev/pts/N
    int deviceIndex() const { return m_index; } // N
    int readFd() const { return m_master; }

    // The line settings the program last applied to the device end.
    LineRate lineRate() const;

    // Bytes waiting to be read.
    qsizetype pending() const;

    // Reads up to `size` bytes without waiting: the count, 0 when nothing is
    // there, -1 on failure.
    qsizetype read(char *buffer, qsizetype size);

private:
    int m_master = -1;
    // Our own descriptor of the device end: with it open, the program closing
    // its port leaves the terminal in place for its next connection.
    int m_slave = -1;
    int m_index = -1;
    QString m_device;
    QString m_error;
};

// Calls `onSignal` from the event loop when SIGTERM, SIGINT or SIGHUP arrives.
// Call once, after the application object exists.
void onTerminationSignal(void (*onSignal)());

// True when `path` is a folder that only the user running this process can
// read or change: theirs, not a link, with no rights for group or others.
bool isUsersOwnFolder(const QString &path);

// Now on the system's monotonic clock, in µs; the same clock in every process.
qint64 monotonicMicros();
