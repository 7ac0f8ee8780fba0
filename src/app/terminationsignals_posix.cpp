// SPDX-License-Identifier: MIT
#include "terminationsignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::array handledSignals{SIGTERM, SIGHUP, SIGINT};

// [0] written by the signal handler, [1] read by the event loop.
int socketPair[2] = {-1, -1};
struct sigaction previousActions[handledSignals.size()];

void onSignal(int signal)
{
    // Only async-signal-safe calls here. A full socket drops the byte: one
    // pending end is as good as several.
    const int savedErrno = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(socketPair[0], &byte, 1);
    errno = savedErrno;
}

bool setNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags != -1 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != -1;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, socketPair) != 0 || !setNonBlocking(socketPair[0])
        || !setNonBlocking(socketPair[1])) {
        qWarning("Cannot watch for termination signals: %s", std::strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(socketPair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        while (::read(socketPair[1], &byte, 1) == 1)
            Q_EMIT received(byte);
    });

    struct sigaction action {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &action, &previousActions[i]);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < handledSignals.size(); ++i)
        ::sigaction(handledSignals[i], &previousActions[i], nullptr);
    delete m_notifier;
    ::close(socketPair[0]);
    ::close(socketPair[1]);
    socketPair[0] = socketPair[1] = -1;
}
