// SPDX-License-Identifier: MIT
// The display-less run's X server and VNC server, started the way tools/run.sh
// starts them: a viewer that connects is asked for the run's password, and
// the X server admits no client of another user.

#include "vncprobe.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include "support/testmain.h"

namespace {

constexpr uid_t someoneElse = 65534; // nobody

// What a client of the X server at display `number` is told when it runs as
// `uid` and presents the cookie it can read from `authority` (none when it
// cannot, or when `authority` is empty): the first byte of the server's
// answer to its connection setup, 1 when admitted, 0 when refused. -1: it
// found no server, -2: it could not become `uid`. The client is a child
// process that does only system calls.
int xConnectionSetup(int number, bool abstractSocket, uid_t uid, const QString &authority)
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

} // namespace

class TestVncDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        m_port = freeLoopbackPort();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("XAUTHORITY"));
        environment.insert(QStringLiteral("VNC_PORT"), QString::number(m_port));
        environment.insert(QStringLiteral("VNC_SCREEN"), QStringLiteral("640x480"));
        m_server.setProcessEnvironment(environment);
        m_server.setWorkingDirectory(QStringLiteral(PROJECT_SOURCE_DIR));
        m_server.start(QStringLiteral("bash"),
                       {QStringLiteral("-c"),
                        QStringLiteral("set -eu; source tools/vncdisplay.sh; children=(); "
                                       "trap 'kill \"${children[@]}\"' EXIT; serve_display_over_vnc \"$1\"; "
                                       "echo \"display $DISPLAY ${XAUTHORITY:-}\"; sleep 60 & wait $!"),
                        QStringLiteral("vncdisplay"), m_folder.path()});
        QTRY_VERIFY_WITH_TIMEOUT(m_output.append(m_server.readAllStandardOutput()).contains("display :"), 20000);
        const QRegularExpressionMatch display =
            QRegularExpression(QStringLiteral("^display :(\\d+) (\\S*)$"), QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(m_output));
        QVERIFY2(display.hasMatch(), m_output.constData());
        m_display = display.captured(1).toInt();
        m_authority = display.captured(2);
    }

    void cleanupTestCase()
    {
        m_server.terminate();
        m_server.waitForFinished();
    }

    void asksForTheRunsPassword()
    {
        // The password is printed once and kept in a file of the user's alone.
        const QRegularExpressionMatch printed =
            QRegularExpression(QStringLiteral("with the password (\\S+) \\(kept in (\\S+) for this run\\)"))
                .match(QString::fromUtf8(m_output));
        QVERIFY2(printed.hasMatch(), m_output.constData());
        QVERIFY(printed.captured(1).size() >= 8);
        QCOMPARE(m_output.count(printed.captured(1).toUtf8()), 1);
        QFile file(printed.captured(2));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().trimmed(), printed.captured(1).toUtf8());
        QCOMPARE(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ReadOwner | QFile::WriteOwner),
                 QFile::Permissions());

        QCOMPARE(vncSecurityTypes(m_port), QByteArray(1, vncAuthentication));
    }

    // The X server behind the VNC server: its own user with the run's
    // authorisation gets in; without it, or as another user, nobody does.
    void admitsOnlyTheRunsOwnClients_data()
    {
        QTest::addColumn<bool>("otherUser");
        QTest::addColumn<bool>("presentsAuthority"); // reads XAUTHORITY when it may
        QTest::addColumn<bool>("abstractSocket");    // else the one in /tmp/.X11-unix
        QTest::addColumn<bool>("admitted");
        QTest::newRow("its user with the authorisation") << false << true << false << true;
        QTest::newRow("its user with the authorisation, abstract socket") << false << true << true << true;
        QTest::newRow("its user without the authorisation") << false << false << false << false;
        QTest::newRow("another user") << true << true << false << false;
        QTest::newRow("another user, abstract socket") << true << true << true << false;
    }
    void admitsOnlyTheRunsOwnClients()
    {
        QFETCH(bool, otherUser);
        QFETCH(bool, presentsAuthority);
        QFETCH(bool, abstractSocket);
        QFETCH(bool, admitted);
        if (::geteuid() != 0)
            QSKIP("connecting as another user needs root");
        const QFile authority(m_authority);
        QCOMPARE(authority.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ReadOwner | QFile::WriteOwner),
                 QFile::Permissions());
        const int answer = xConnectionSetup(m_display, abstractSocket, otherUser ? someoneElse : ::getuid(),
                                            presentsAuthority ? m_authority : QString());
        QVERIFY2(answer != -2, "could not become the other user");
        QCOMPARE(answer == 1, admitted);
    }

private:
    QTemporaryDir m_folder;
    int m_port = 0;
    QProcess m_server;
    QByteArray m_output;
    int m_display = -1;
    QString m_authority;
};

SERVO_TEST_MAIN(TestVncDisplay)
#include "tst_vncdisplay.moc"
