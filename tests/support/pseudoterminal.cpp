// SPDX-License-Identifier: MIT
#include "pseudoterminal.h"

#include "link/serialport.h"

#include <algorithm>
#include <chrono>
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
    if (!m_reader.joinable())
        readAvailable(std::numeric_limits<qsizetype>::max());
    const std::lock_guard lock(m_lock);
    return m_received;
}

void PseudoTerminal::clearReceived()
{
    if (!m_reader.joinable())
        readAvailable(std::numeric_limits<qsizetype>::max());
    const std::lock_guard lock(m_lock);
    m_received.clear();
    m_reads.clear();
}

QList<PseudoTerminal::Arrival> PseudoTerminal::arrivals()
{
    if (!m_reader.joinable())
        readAvailable(std::numeric_limits<qsizetype>::max());
    const std::lock_guard lock(m_lock);
    QList<Arrival> arrivals;
    qsizetype start = 0;
    for (const auto &[steadyUs, end] : m_reads) {
        arrivals.append({steadyUs, m_received.mid(start, end - start)});
        start = end;
    }
    return arrivals;
}

qsizetype PseudoTerminal::readAvailable(qsizetype limit)
{
    char buffer[4096];
    qsizetype total = 0;
    while (total < limit && m_master >= 0) {
        const ssize_t n = ::read(m_master, buffer, size_t(std::min<qsizetype>(limit - total, sizeof buffer)));
        if (n <= 0)
            break;
        total += n;
        const qint64 now = SerialPort::steadyNowUs();
        const std::lock_guard lock(m_lock);
        m_received.append(buffer, n);
        m_reads.append({now, m_received.size()});
    }
    return total;
}

void PseudoTerminal::startReader(int bytesPerSecond)
{
    using Clock = std::chrono::steady_clock;
    stopReader();
    m_stop = false;
    m_reader = std::thread([this, bytesPerSecond] {
        // Bytes the line could have carried since the last read; a line that
        // was idle cannot catch up later, so no more than 10 ms are kept.
        double allowance = 0;
        const double most = bytesPerSecond / 100.0;
        Clock::time_point last = Clock::now();
        while (!m_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            const Clock::time_point now = Clock::now();
            const double elapsed = std::chrono::duration<double>(now - last).count();
            last = now;
            if (m_paused) {
                allowance = 0;
            } else if (bytesPerSecond == 0) {
                readAvailable(std::numeric_limits<qsizetype>::max());
            } else {
                allowance = std::min(most, allowance + bytesPerSecond * elapsed);
                allowance -= double(readAvailable(qsizetype(allowance)));
            }
        }
    });
}

void PseudoTerminal::stopReader()
{
    if (!m_reader.joinable())
        return;
    m_stop = true;
    m_reader.join();
}

void PseudoTerminal::setLineHeld(bool held)
{
    ::tcflow(m_slaveKeepAlive, held ? TCOOFF : TCOON);
}

termios PseudoTerminal::lineSettings() const
{
    termios settings{};
    ::tcgetattr(m_slaveKeepAlive, &settings);
    return settings;
}

void PseudoTerminal::hangUp()
{
    stopReader();
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}
