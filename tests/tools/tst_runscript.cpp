// SPDX-License-Identifier: MIT
// tools/run.sh as an operator starts it on a machine without a display: the
// windows behind a VNC server that asks for a password and an X server closed
// to other users, the virtual board speaking the console's language and
// following the profile beside cmd.txt, nothing left running when it ends,
// and why it cannot start, when it cannot. The build it runs is already done.
// The console itself is left out (--board-only): it would share the build's
// cmd.txt with whoever else runs it.

#include "core/language.h"
#include "core/sequencelocation.h"
#include "displayprobe.h"
#include "shared/armprofile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include "support/testmain.h"

namespace {

QByteArray procFile(pid_t pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The processes, zombies aside, whose environment names `runtime` as their
// runtime folder: all that a run given that folder started, wherever they went.
QList<pid_t> processesOfRun(const QString &runtime)
{
    const QByteArray entry = "XDG_RUNTIME_DIR=" + QFile::encodeName(runtime);
    QList<pid_t> found;
    for (const QString &name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const auto pid = pid_t(name.toInt(&number));
        if (number && pid != ::getpid() && procFile(pid, "environ").split('\0').contains(entry))
            found.append(pid);
    }
    return found;
}

QString environmentOf(pid_t pid, const QByteArray &name)
{
    for (const QByteArray &entry : procFile(pid, "environ").split('\0')) {
        if (entry.startsWith(name + '='))
            return QFile::decodeName(entry.mid(name.size() + 1));
    }
    return {};
}

QString valueAfter(const QList<QByteArray> &arguments, const QByteArray &option)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? QFile::decodeName(arguments[at + 1]) : QString();
}

} // namespace

Q_DECLARE_METATYPE(Language)

class TestRunScript : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_runtime = std::make_unique<QTemporaryDir>(); // mode 700, as a runtime folder must be
        QVERIFY(m_runtime->isValid());
        m_port = freeLoopbackPort();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "SERVO_BOARD", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime->path());
        environment.insert(QStringLiteral("VNC_PORT"), QString::number(m_port));
        environment.insert(QStringLiteral("VNC_SCREEN"), QStringLiteral("1024x768"));
        environment.insert(QStringLiteral("SERVO_BUILD_DIR"), QStringLiteral(BUILD_DIR));
        m_run.setProcessEnvironment(environment);
        m_run.setProgram(QStringLiteral("bash"));
    }

    // Whatever a failed check left running goes.
    void cleanup()
    {
        if (m_run.state() != QProcess::NotRunning) {
            m_run.kill();
            m_run.waitForFinished();
        }
        for (const pid_t pid : processesOfRun(m_runtime->path()))
            ::kill(pid, SIGKILL);
    }

    // The language comes from where the console keeps its choice, or from
    // --language, which the console takes too.
    void servesTheBoardOverVnc_data()
    {
        QTest::addColumn<Language>("remembered");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("language"); // the board's
        QTest::newRow("the console's choice") << Language::English << QStringList() << "en";
        QTest::newRow("--language over the console's choice")
            << Language::English << QStringList{"--language", "zh"} << "zh";
    }
    void servesTheBoardOverVnc()
    {
        QFETCH(Language, remembered);
        QFETCH(QStringList, arguments);
        QFETCH(QString, language);
        if (::geteuid() != 0)
            QSKIP("connecting to the display as another user needs root");
        // In the test's own home, where the console itself would keep it (not
        // Qt's test folder).
        QStandardPaths::setTestModeEnabled(false);
        language::remember(remembered);
        QStandardPaths::setTestModeEnabled(true);

        m_run.setArguments(
            QStringList{QStringLiteral(PROJECT_SOURCE_DIR "/tools/run.sh"), QStringLiteral("--board-only")}
            + arguments);
        m_run.start();
        QByteArray output;
        QTRY_VERIFY2_WITH_TIMEOUT((output += m_run.readAllStandardOutput()).contains("Started the virtual board")
                                      || m_run.state() == QProcess::NotRunning,
                                  qPrintable(QString::fromLocal8Bit(output + m_run.readAllStandardError())), 100000);
        QVERIFY2(output.contains("Started the virtual board"), output.constData());
        QVERIFY2(output.contains("with the password"), output.constData());

        // The board, with the language and the profile beside cmd.txt, whether
        // or not that is there yet.
        pid_t board = -1;
        for (const pid_t pid : processesOfRun(m_runtime->path())) {
            if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget()
                == QFileInfo(QStringLiteral(SERVO_BOARD_PATH)).canonicalFilePath())
                board = pid;
        }
        QVERIFY(board > 0);
        const QList<QByteArray> boardArguments = procFile(board, "cmdline").split('\0');
        QCOMPARE(valueAfter(boardArguments, "--language"), language);
        const QString programFolder = QFileInfo(QStringLiteral(SERVO_CONSOLE_PATH)).path();
        const QString sequence = sequencelocation::choose(
            programFolder, sequencelocation::isWritableFolder(programFolder),
            QDir(qEnvironmentVariable("XDG_DATA_HOME")).filePath(QStringLiteral("servo-console")));
        QCOMPARE(QFileInfo(valueAfter(boardArguments, "--profile")).absoluteFilePath(),
                 QFileInfo(armprofile::pathFor(sequence)).absoluteFilePath());

        // The viewer is asked for the password, and only for it.
        QCOMPARE(vncSecurityTypes(m_port), QByteArray(1, vncAuthentication));
        // The X server behind it admits the board's user with the run's
        // authorisation, and not another user.
        const QString display = environmentOf(board, "DISPLAY");
        QVERIFY2(display.startsWith(u':'), qPrintable(display));
        const QString authority = environmentOf(board, "XAUTHORITY");
        QCOMPARE(xConnectionSetup(display.mid(1).toInt(), false, ::getuid(), authority), 1);
        QCOMPARE(xConnectionSetup(display.mid(1).toInt(), false, someoneElse, authority), 0);

        // Ended as kill or Ctrl+C ends it: everything it started goes with it,
        // and the run's files.
        const QList<pid_t> started = processesOfRun(m_runtime->path());
        QVERIFY(started.size() >= 3); // the board, the X server, the VNC server
        ::kill(pid_t(m_run.processId()), SIGTERM);
        QVERIFY(m_run.waitForFinished(30000));
        QCOMPARE(m_run.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_run.exitCode(), 130); // an interrupted run
        QTRY_COMPARE(processesOfRun(m_runtime->path()), QList<pid_t>());
        QCOMPARE(QDir(m_runtime->path()).entryList({QStringLiteral("servo-run.*")}, QDir::AllEntries), QStringList());
    }

    void saysWhyItCannotStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("portTaken"); // the VNC port, by another program
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown option") << QStringList{"--bogus"} << false << "unknown option --bogus";
        QTest::newRow("another language")
            << QStringList{"--language", "fr"} << false << "--language takes zh or en, not \"fr\"";
        QTest::newRow("nothing to start")
            << QStringList{"--board-only", "--no-board"} << false << "leave nothing to start";
        QTest::newRow("VNC port taken") << QStringList{"--board-only"} << true << "VNC_PORT=";
    }
    void saysWhyItCannotStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, portTaken);
        QFETCH(QString, says);
        // On every address, as another VNC server would hold it.
        const int listener = portTaken ? ::socket(AF_INET6, SOCK_STREAM, 0) : -1;
        const auto close = qScopeGuard([listener] {
            if (listener >= 0)
                ::close(listener);
        });
        if (portTaken) {
            const int no = 0;
            ::setsockopt(listener, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
            sockaddr_in6 address{};
            address.sin6_family = AF_INET6;
            address.sin6_port = htons(uint16_t(m_port));
            address.sin6_addr = in6addr_any;
            QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
            QVERIFY(::listen(listener, 1) == 0);
        }

        m_run.setArguments(QStringList{QStringLiteral(PROJECT_SOURCE_DIR "/tools/run.sh")} + arguments);
        m_run.start();
        QVERIFY(m_run.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(m_run.readAllStandardOutput());
        const QString errors = QString::fromLocal8Bit(m_run.readAllStandardError());
        QCOMPARE(m_run.exitCode(), 1);
        QVERIFY2(errors.contains(says), qPrintable(errors));
        QVERIFY2(!output.contains(QStringLiteral("password")), qPrintable(output)); // nothing to connect to
        QCOMPARE(processesOfRun(m_runtime->path()), QList<pid_t>());
    }

private:
    std::unique_ptr<QTemporaryDir> m_runtime;
    int m_port = 0;
    QProcess m_run;
};

SERVO_TEST_MAIN(TestRunScript)
#include "tst_runscript.moc"
