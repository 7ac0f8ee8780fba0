// SPDX-License-Identifier: MIT
#include "boardterminal.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

int baudOf(speed_t speed)
{
    static const std::pair<speed_t, int> table[] = {
        {B50, 50},         {B75, 75},         {B110, 110},         {B134, 134},         {B150, 150},
        {B200, 200},       {B300, 300},       {B600, 600},         {B1200, 1200},       {B1800, 1800},
        {B2400, 2400},     {B4800, 4800},     {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
        {B576000, 576000}, {B921600, 921600}, {B1000000, 1000000}, {B1500000, 1500000}, {B2000000, 2000000},
    };
    for (const auto &[constant, baud] : table) {
        if (constant == speed)
            return baud;
    }
    return 0;
}

int dataBitsOf(tcflag_t cflag)
{
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

int signalPipe[2] = {-1, -1};

void writeToPipe(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

BoardTerminal::BoardTerminal()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
        return;
    }
    m_device = QString::fromLocal8Bit(::ptsname(m_master));
    m_index = m_device.section(u'/', -1).toInt();
    m_slave = ::open(::ptsname(m_master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    // A raw line at the program's start-up settings until it applies its own:
    // no echo, no line editing, CR stays CR.
    termios raw{};
    if (m_slave >= 0 && ::tcgetattr(m_slave, &raw) == 0) {
        ::cfmakeraw(&raw);
        ::cfsetspeed(&raw, B115200);
        ::tcsetattr(m_slave, TCSANOW, &raw);
    }
}

BoardTerminal::~BoardTerminal()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
}

LineRate BoardTerminal::lineRate() const
{
    termios line{};
    if (::tcgetattr(m_slave >= 0 ? m_slave : m_master, &line) != 0)
        return {115200, 10};
    LineRate rate;
    rate.baud = baudOf(::cfgetospeed(&line));
    rate.bitsPerCharacter =
        1 + dataBitsOf(line.c_cflag) + ((line.c_cflag & PARENB) ? 1 : 0) + ((line.c_cflag & CSTOPB) ? 2 : 1);
    return rate;
}

qsizetype BoardTerminal::pending() const
{
    int count = 0;
    return ::ioctl(m_master, FIONREAD, &count) == 0 ? count : 0;
}

qsizetype BoardTerminal::read(char *buffer, qsizetype size)
{
    const ssize_t n = ::read(m_master, buffer, size_t(size));
    if (n >= 0)
        return n;
    return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
}

void onTerminationSignal(void (*onSignal)())
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [onSignal] {
        char drain[16];
        while (::read(signalPipe[0], drain, sizeof drain) > 0) { }
        onSignal();
    });
    struct sigaction action {
    };
    action.sa_handler = writeToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

bool isUsersOwnFolder(const QString &path)
{
    const QFileInfo folder(path);
    constexpr QFile::Permissions others =
        QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    return folder.isDir() && !folder.isSymLink() && folder.ownerId() == ::geteuid() && !(folder.permissions() & others);
}

qint64 monotonicMicros()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}
