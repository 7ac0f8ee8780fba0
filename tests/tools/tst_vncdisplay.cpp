// SPDX-License-Identifier: MIT
// The display-less run's VNC server, started the way tools/run.sh starts it:
// a viewer that connects is asked for the run's password.

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include "support/testmain.h"

namespace {

// A TCP port on the loopback address that nothing listens on now.
int freePort()
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

int connectTo(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
        return s;
    ::close(s);
    return -1;
}

QByteArray readExactly(int s, qsizetype size)
{
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
}

} // namespace

class TestVncDisplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void asksForTheRunsPassword()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const int port = freePort();
        QProcess server;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("VNC_PORT"), QString::number(port));
        environment.insert(QStringLiteral("VNC_SCREEN"), QStringLiteral("640x480"));
        server.setProcessEnvironment(environment);
        server.setWorkingDirectory(QStringLiteral(PROJECT_SOURCE_DIR));
        server.start(QStringLiteral("bash"),
                     {QStringLiteral("-c"),
                      QStringLiteral("set -eu; source tools/vncdisplay.sh; children=(); "
                                     "trap 'kill \"${children[@]}\"' EXIT; serve_display_over_vnc \"$1\"; "
                                     "sleep 60 & wait $!"),
                      QStringLiteral("vncdisplay"), folder.path()});
        const auto stop = qScopeGuard([&] {
            server.terminate();
            server.waitForFinished();
        });
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(output.append(server.readAllStandardOutput()).contains("for this run"), 10000);

        // The password is printed once and kept in a file of the user's alone.
        const QRegularExpressionMatch printed =
            QRegularExpression(QStringLiteral("with the password (\\S+) \\(kept in (\\S+) for this run\\)"))
                .match(QString::fromUtf8(output));
        QVERIFY2(printed.hasMatch(), output.constData());
        QVERIFY(printed.captured(1).size() >= 8);
        QCOMPARE(output.count(printed.captured(1).toUtf8()), 1);
        QFile file(printed.captured(2));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().trimmed(), printed.captured(1).toUtf8());
        QCOMPARE(file.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ReadOwner | QFile::WriteOwner),
                 QFile::Permissions());

        // RFB 3.8: the server's version, ours, then the security types it offers.
        int s = -1;
        QTRY_VERIFY_WITH_TIMEOUT((s = connectTo(port)) >= 0, 10000);
        const auto close = qScopeGuard([s] { ::close(s); });
        QCOMPARE(readExactly(s, 12), QByteArray("RFB 003.008\n"));
        QCOMPARE(::write(s, "RFB 003.008\n", 12), ssize_t(12));
        const QByteArray count = readExactly(s, 1);
        QCOMPARE(count.size(), 1);
        const QByteArray types = readExactly(s, quint8(count[0]));
        QCOMPARE(types, QByteArray(1, char(2))); // VNC authentication, and not 1, none
    }
};

SERVO_TEST_MAIN(TestVncDisplay)
#include "tst_vncdisplay.moc"
