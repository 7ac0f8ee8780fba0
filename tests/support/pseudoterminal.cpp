#include "pseudoterminal.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0)
        return;
    m_device = QString::fromLocal8Bit(::ptsname(m_master));
    // Keeps the device end alive between the program's opens, so that what was
    // written stays readable after the program closes its port.
    m_slaveKeepAlive = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    termios raw;
    ::tcgetattr(m_slaveKeepAlive, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(m_slaveKeepAlive, TCSANOW, &raw);
}

PseudoTerminal::~PseudoTerminal()
{
    hangUp();
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
}

int PseudoTerminal::portNumber() const
{
    return 1000 + m_device.section(u'/', -1).toInt();
}

QByteArray PseudoTerminal::received()
{
    char buffer[4096];
    for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
        m_received.append(buffer, n);
    return m_received;
}

termios PseudoTerminal::lineSettings() const
{
    termios settings{};
    ::tcgetattr(m_slaveKeepAlive, &settings);
    return settings;
}

void PseudoTerminal::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
