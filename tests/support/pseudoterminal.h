#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

// A pseudo-terminal: the program opens its device end as a serial port (port
// number 1000 + n for /dev/pts/n), the test reads what arrives at the far end.
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
    void clearReceived() { received(); m_received.clear(); }

    // The line settings the device end currently has.
    termios lineSettings() const;

    // Closes the far end, as if the cable were pulled.
    void hangUp();

private:
    int m_master = -1;
    int m_slaveKeepAlive = -1;
    QString m_device;
    QByteArray m_received;
};
