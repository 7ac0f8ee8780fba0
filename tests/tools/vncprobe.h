// SPDX-License-Identifier: MIT
#pragma once

// A VNC viewer's first steps, enough to see what a server on the loopback
// address asks of it.

#include <QByteArray>
#include <QScopeGuard>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// RFB's security type "VNC authentication": the password's challenge.
inline constexpr char vncAuthentication = 2;

// A TCP port on the loopback address that nothing listens on now.
inline int freeLoopbackPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(s, reinterpret_cast<sockaddr *>(&address), length);
    ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
    ::close(s);
    return ntohs(address.sin_port);
}

// The security types a VNC server on `port` offers under RFB 3.8, as it sends
// them; empty when nothing answers there, or not as RFB 3.8 does.
inline QByteArray vncSecurityTypes(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    const auto close = qScopeGuard([s] { ::close(s); });
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return {};
    const auto readExactly = [s](qsizetype size) {
        QByteArray bytes(size, '\0');
        qsizetype got = 0;
        while (got < size) {
            const ssize_t n = ::read(s, bytes.data() + got, size_t(size - got));
            if (n <= 0)
                break;
            got += n;
        }
        bytes.truncate(got);
        return bytes;
    };
    // The server's version, ours, then the number of types and the types.
    if (readExactly(12) != "RFB 003.008\n" || ::write(s, "RFB 003.008\n", 12) != 12)
        return {};
    const QByteArray count = readExactly(1);
    return count.size() == 1 ? readExactly(quint8(count[0])) : QByteArray();
}
