// SPDX-License-Identifier: MIT
// The display-less run's X server and VNC server, started the way tools/run.sh
// starts them: a viewer that connects is asked for the run's password, and
// the X server admits no client of another user.

#include "displayprobe.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>
#include "support/testmain.h"

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
