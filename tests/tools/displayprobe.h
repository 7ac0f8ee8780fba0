// SPDX-License-Identifier: MIT
#pragma once

// The first steps of a display's clients, enough to see whom its servers
// admit: an X client's connection setup, a VNC viewer's handshake.

#include <QByteArray>
#include <QFile>
#include <QScopeGuard>
#include <QString>

#include <arpa/inet.h>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
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

inline constexpr uid_t someoneElse = 65534; // nobody

// What a client of the X server at display `number` is told when it runs as
// `uid` and presents the cookie it can read from `authority` (none when it
// cannot, or when `authority` is empty): the first byte of the server's
// answer to its connection setup, 1 when admitted, 0 when refused. -1: it
// found no server, -2: it could not become `uid`. The client is a child
// process that does only system calls.
inline int xConnectionSetup(int number, bool abstractSocket, uid_t uid, const QString &authority)
{
    const QByteArray authorityPath = QFile::encodeName(authority);
    const QByteArray socketPath = QByteArrayLiteral("/tmp/.X11-unix/X") + QByteArray::number(number);
    const pid_t child = ::fork();
    if (child < 0)
        qFatal("cannot fork: %s", strerror(errno));
    if (child == 0) {
        if (uid != ::getuid()
            && (::setgroups(0, nullptr) != 0 || ::setresgid(uid, uid, uid) != 0 || ::setresuid(uid, uid, uid) != 0))
            ::_exit(254);
        // The Xauthority file: entries of family, address, number, name and
        // data, each but the family a big-endian length and its bytes.
        static const char cookieName[] = "MIT-MAGIC-COOKIE-1";
        const char *cookie = nullptr;
        unsigned char file[4096];
        ssize_t size = 0;
        const int fd = authorityPath.isEmpty() ? -1 : ::open(authorityPath.constData(), O_RDONLY);
        if (fd >= 0) {
            size = ::read(fd, file, sizeof file);
            ::close(fd);
        }
        for (ssize_t at = 2; at < size && !cookie;) {
            const unsigned char *fields[4];
            unsigned lengths[4];
            for (int field = 0; field < 4; ++field) {
                lengths[field] = at + 2 <= size ? unsigned(file[at] << 8 | file[at + 1]) : 0;
                fields[field] = file + at + 2;
                at += 2 + ssize_t(lengths[field]);
            }
            if (at <= size && lengths[2] == sizeof cookieName - 1 && lengths[3] == 16
                && ::memcmp(fields[2], cookieName, lengths[2]) == 0)
                cookie = reinterpret_cast<const char *>(fields[3]);
            at += 2; // the next entry's family
        }

        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        // An abstract socket's name starts with a NUL byte.
        const size_t offset = abstractSocket ? 1 : 0;
        ::memcpy(address.sun_path + offset, socketPath.constData(), size_t(socketPath.size()));
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + size_t(socketPath.size()));
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (s < 0 || ::connect(s, reinterpret_cast<const sockaddr *>(&address), length) != 0)
            ::_exit(255);
        // Little-endian setup of protocol 11.0 with the cookie or without.
        unsigned char setup[12 + 20 + 16] = {'l', 0, 11, 0, 0, 0};
        size_t setupSize = 12;
        if (cookie) {
            setup[6] = sizeof cookieName - 1;
            setup[8] = 16;
            ::memcpy(setup + 12, cookieName, sizeof cookieName - 1);
            ::memcpy(setup + 32, cookie, 16);
            setupSize = sizeof setup;
        }
        unsigned char answer = 0xff;
        if (::write(s, setup, setupSize) != ssize_t(setupSize) || ::read(s, &answer, 1) != 1)
            ::_exit(255);
        ::_exit(answer);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        qFatal("the X client did not end by itself");
    const int code = WEXITSTATUS(status);
    return code == 255 ? -1 : code == 254 ? -2 : code;
}
