// SPDX-License-Identifier: MIT
// servo-board as its own process where its surroundings are hostile: a runtime
// folder that belongs to someone else, a trace on a file system that fills up
// or on a device that takes nothing.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include "support/testmain.h"

namespace {

constexpr uid_t someoneElse = 65534; // nobody

// Makes `path` a folder of another user that everyone may write to.
bool giveAway(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    return ::mkdir(name.constData(), 0777) == 0 && ::chmod(name.constData(), 0777) == 0
           && ::chown(name.constData(), someoneElse, someoneElse) == 0;
}

} // namespace

class TestBoardFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Both the user's runtime folder and Qt's fallback for it,
    // <tmp>/runtime-<user>, planted by another user.
    void refusesARuntimeFolderOfAnotherUser_data()
    {
        QTest::addColumn<bool>("runtimeSet");
        QTest::newRow("XDG_RUNTIME_DIR of another user") << true;
        QTest::newRow("XDG_RUNTIME_DIR unset") << false;
    }
    void refusesARuntimeFolderOfAnotherUser()
    {
        QFETCH(bool, runtimeSet);
        if (::geteuid() != 0)
            QSKIP("making a folder of another user needs root");
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        QVERIFY(giveAway(tmp.filePath(QStringLiteral("runtime-root"))));
        QVERIFY(giveAway(tmp.filePath(QStringLiteral("theirs"))));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TMPDIR"), tmp.path());
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        if (runtimeSet)
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), tmp.filePath(QStringLiteral("theirs")));

        QProcess board;
        board.setProcessEnvironment(environment);
        board.start(QStringLiteral(SERVO_BOARD_PATH), {QStringLiteral("--headless")});
        QVERIFY(board.waitForFinished(10000));
        QCOMPARE(board.exitStatus(), QProcess::NormalExit);
        QCOMPARE(board.exitCode(), 1);
        QVERIFY(board.readAllStandardOutput().isEmpty()); // no port announced
        const QString error = QString::fromUtf8(board.readAllStandardError());
        QVERIFY2(error.contains(QStringLiteral("XDG_RUNTIME_DIR")), qPrintable(error));
        QVERIFY(!QFile::exists(tmp.filePath(QStringLiteral("theirs/servo-board"))));
        QVERIFY(!QFile::exists(tmp.filePath(QStringLiteral("runtime-root/servo-board"))));
        QVERIFY(!QFile::exists(QStringLiteral("/servo-board")));
    }

    // The trace on a 16 KB file system, with far more commands than fit, and
    // on a device that takes nothing.
    void endsOnceWhenTheTraceFillsTheDisk_data()
    {
        QTest::addColumn<bool>("smallDisk"); // else /dev/full
        QTest::newRow("16 KB file system") << true;
        QTest::newRow("/dev/full") << false;
    }
    void endsOnceWhenTheTraceFillsTheDisk()
    {
        QFETCH(bool, smallDisk);
        QTemporaryDir runtime;
        QVERIFY(runtime.isValid());
        QString tracePath = QStringLiteral("/dev/full");
        QByteArray diskName;
        const auto unmount = qScopeGuard([&] {
            if (!diskName.isEmpty())
                ::umount(diskName.constData());
        });
        if (smallDisk) {
            const QString disk = runtime.filePath(QStringLiteral("disk"));
            QVERIFY(QDir().mkdir(disk));
            if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=16k") != 0)
                QSKIP(qPrintable(QStringLiteral("cannot mount a small file system: %1").arg(qt_error_string(errno))));
            diskName = QFile::encodeName(disk);
            tracePath = disk + QStringLiteral("/trace.jsonl");
        }

        QProcess board;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        board.setProcessEnvironment(environment);
        // In English, as the system's reason reads in this test.
        board.start(QStringLiteral(SERVO_BOARD_PATH),
                    {QStringLiteral("--headless"), QStringLiteral("--no-pacing"), QStringLiteral("--language"),
                     QStringLiteral("en"), QStringLiteral("--trace"), tracePath});
        QVERIFY(board.waitForReadyRead(10000));
        const QByteArray device = board.readLine().trimmed().split(' ').value(1);
        const int fd = ::open(device.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        // About 90 bytes of trace a command: 2000 of them need 180 KB.
        const QByteArray bytes = QByteArray("#1P1500S300\r").repeated(2000);
        qsizetype sent = 0;
        QDeadlineTimer deadline(10000);
        while (sent < bytes.size() && board.state() == QProcess::Running && !deadline.hasExpired()) {
            const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
            if (n > 0)
                sent += n;
            else if (n < 0 && errno != EAGAIN)
                break;
            board.waitForFinished(5);
        }
        ::close(fd);
        QVERIFY(board.state() == QProcess::NotRunning || board.waitForFinished(10000));
        QCOMPARE(board.exitStatus(), QProcess::NormalExit);
        QCOMPARE(board.exitCode(), 2);
        // Once, naming the file and the system's own reason.
        const QList<QByteArray> messages = board.readAllStandardError().trimmed().split('\n');
        QCOMPARE(messages.size(), 1);
        const QString message = QString::fromUtf8(messages[0]);
        QVERIFY2(message.contains(tracePath), qPrintable(message));
        QVERIFY2(message.contains(qt_error_string(ENOSPC)), qPrintable(message));
        if (!smallDisk)
            return;

        QFile trace(tracePath);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray text = trace.readAll();
        QVERIFY(text.size() > 1000); // it was written until the disk was full
        QVERIFY(text.endsWith('\n'));
        for (const QByteArray &line : text.chopped(1).split('\n')) {
            QJsonParseError error{};
            const QJsonDocument json = QJsonDocument::fromJson(line, &error);
            QVERIFY2(error.error == QJsonParseError::NoError && json.isObject(), line.constData());
            QCOMPARE(json.object().value(u"raw").toString(), QStringLiteral("#1P1500S300"));
        }
    }
};

SERVO_TEST_MAIN(TestBoardFaults)
#include "tst_boardfaults.moc"
