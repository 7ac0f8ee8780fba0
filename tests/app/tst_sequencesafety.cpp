// SPDX-License-Identifier: MIT
#include "core/recoverycopy.h"
#include "app/terminationsignals.h"
#include "core/sequencestore.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include "support/filebytes.h"
#include "support/testmain.h"

using Options = WindowHarness::Options;

namespace {

const QByteArray loaded("Time4800  #5P2000S300\r\n");

QString recoveryPath(const WindowHarness &harness)
{
    return harness.sequencePath() + QStringLiteral(".recovery");
}

bool setModified(const QString &path, const QDateTime &modified)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime);
}

bool writeAll(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
           && file.setFileTime(modified, QFileDevice::FileModificationTime);
}

QByteArray onDisk(QString editorText)
{
    return editorText.replace(u'\r', QStringLiteral("\r\n")).toUtf8();
}

// Whether the process has a handler of its own for `signal` (Linux only).
std::optional<bool> catchesSignal(qint64 pid, int signal)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signal - 1)) & 1;
    }
    return std::nullopt;
}

// The program's own environment for a child process: no display, and a home
// and settings of its own in `dir`.
QProcessEnvironment childEnvironment(const QString &dir)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        environment.insert(QString::fromLatin1(name), dir);
    return environment;
}

} // namespace

// cmd.txt between two copies of the program, after a crash, and at a polite end.
class TestSequenceSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void twoCopiesOnOneFolder_data()
    {
        QTest::addColumn<bool>("secondEdits");
        QTest::addColumn<bool>("overwrite"); // the second copy's answer
        QTest::newRow("second untouched") << false << false;
        QTest::newRow("both edited, overwrite") << true << true;
        QTest::newRow("both edited, keep the window") << true << false;
    }
    void twoCopiesOnOneFolder()
    {
        QFETCH(bool, secondEdits);
        QFETCH(bool, overwrite);
        Options options;
        options.sequenceFile = loaded;
        WindowHarness first(std::move(options));
        RecordingNotifier notifier;
        Program secondCopy(
            {std::make_unique<FakeSerialPort>(), &notifier, [] { return QStringList(); }, first.sequencePath()});
        MainWindow &second = secondCopy.window();
        second.show();
        auto *secondEditor = second.findChild<SequenceEditor *>(QStringLiteral("RichTextBox1"));
        QCOMPARE(secondEditor->text(), QStringLiteral("Time4800  #5P2000S300\r"));
        // Told at once that another copy has the file open.
        QCOMPARE(notifier.shown.size(), 1);
        QVERIFY(notifier.shown[0].text.contains(first.sequencePath()));
        notifier.shown.clear();

        first.editor().setText(QStringLiteral("Time100   #0P500S300\r"));
        first.window().close();
        QCOMPARE(readAll(first.sequencePath()), QByteArray("Time100   #0P500S300\r\n"));

        if (secondEdits)
            secondEditor->setText(QStringLiteral("Time900   #1P900S300\r"));
        notifier.confirmAnswer = overwrite;
        second.close();
        QCOMPARE(notifier.shown.size(), secondEdits ? 1 : 0);
        if (secondEdits)
            QVERIFY(notifier.shown[0].text.contains(first.sequencePath()));
        QCOMPARE(second.isVisible(), secondEdits && !overwrite);
        QCOMPARE(readAll(first.sequencePath()),
                 overwrite ? QByteArray("Time900   #1P900S300\r\n") : QByteArray("Time100   #0P500S300\r\n"));
    }

    void closingSavesTheEditorsTextExactly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("no-break space, tab") << "a\u00A0b\tc\r"
                                             << QByteArray("a\xC2\xA0"
                                                           "b\tc\r\n");
        QTest::newRow("blank lines, no last break") << "\r\rTime100" << QByteArray("\r\n\r\nTime100");
        QTest::newRow("Chinese") << "中文\r" << QByteArray("中文\r\n");
        QTest::newRow("emptied") << "" << QByteArray();
    }
    void closingSavesTheEditorsTextExactly()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, saved);
        Options options;
        options.sequenceFile = loaded;
        WindowHarness harness(std::move(options));
        harness.editor().setText(text);
        harness.window().close();
        QCOMPARE(readAll(harness.sequencePath()), saved);
    }

    void anEditIsKeptForRecoveryWithinSeconds()
    {
        Options options;
        options.sequenceFile = loaded;
        WindowHarness harness(std::move(options));
        harness.button("Command2").click();
        const QString edited = harness.editor().text();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(recoveryPath(harness)), 3 * RecoveryCopy::defaultDelay.count());
        QCOMPARE(readAll(recoveryPath(harness)), onDisk(edited));

        // Saved: the copy goes.
        harness.window().close();
        QCOMPARE(readAll(harness.sequencePath()), onDisk(edited));
        QVERIFY(!QFile::exists(recoveryPath(harness)));
    }

    void exitKeepsTheEditForTheNextStart_data()
    {
        QTest::addColumn<bool>("restore");
        QTest::newRow("restored") << true;
        QTest::newRow("declined") << false;
    }
    void exitKeepsTheEditForTheNextStart()
    {
        QFETCH(bool, restore);
        Options options;
        options.sequenceFile = loaded;
        WindowHarness harness(std::move(options));
        harness.button("Command2").click();
        const QString edited = harness.editor().text();
        harness.button("ExitCommand").click();
        QCOMPARE(readAll(harness.sequencePath()), loaded);
        QVERIFY(QFile::exists(recoveryPath(harness)));
        // As after a crash: the copy is newer than cmd.txt.
        QVERIFY(setModified(harness.sequencePath(), QDateTime::currentDateTime().addSecs(-60)));

        harness.notifier.confirmAnswer = restore;
        harness.restart();
        QCOMPARE(harness.notifier.shown.size(), 1);
        QVERIFY(harness.notifier.shown[0].text.contains(recoveryPath(harness)));
        QCOMPARE(harness.editor().text(), restore ? edited : QStringLiteral("Time4800  #5P2000S300\r"));
        QCOMPARE(QFile::exists(recoveryPath(harness)), restore);

        harness.window().close();
        QCOMPARE(readAll(harness.sequencePath()), restore ? onDisk(edited) : loaded);
        QVERIFY(!QFile::exists(recoveryPath(harness)));
    }

    void anOlderRecoveryCopyIsNotOffered()
    {
        WindowHarness harness;
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(writeAll(recoveryPath(harness), "Time100   \r\n", now.addSecs(-60)));
        QVERIFY(writeAll(harness.sequencePath(), loaded, now));
        harness.restart();
        QVERIFY(harness.notifier.shown.isEmpty());
        QCOMPARE(harness.editor().text(), QStringLiteral("Time4800  #5P2000S300\r"));
    }

    void aSignalEndsLikeClosingTheWindow_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGHUP") << int(SIGHUP) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGTERM, read-only cmd.txt") << int(SIGTERM) << true;
    }
    void aSignalEndsLikeClosingTheWindow()
    {
        QFETCH(int, signal);
        QFETCH(bool, readOnly);
        Options options;
        options.sequenceFile = loaded;
        WindowHarness harness(std::move(options));
        if (readOnly)
            QVERIFY(QFile::setPermissions(harness.sequencePath(), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        harness.window().show();
        harness.button("Command2").click();
        const QByteArray edited = onDisk(harness.editor().text());

        TerminationSignals endRequests;
        connect(&endRequests, &TerminationSignals::received, &harness.window().store(), &SequenceStore::endUnattended);
        QCOMPARE(std::raise(signal), 0);
        QTRY_VERIFY(!harness.window().isVisible());
        // No question that would hold up the end.
        QVERIFY(harness.notifier.shown.isEmpty());
        QCOMPARE(readAll(harness.sequencePath()), readOnly ? loaded : edited);
        QCOMPARE(readAll(recoveryPath(harness)), readOnly ? edited : QByteArray());
    }

    // Two processes on one folder: a copy killed with its edit unsaved loses
    // nothing to the other copy's 保存 or close, and its edit is offered next time.
    void aKilledCopysEditSurvivesTheOtherCopy()
    {
        Options options;
        options.sequenceFile = loaded;
        WindowHarness first(std::move(options));
        QProcess second;
        second.setProcessEnvironment(childEnvironment(QFileInfo(first.sequencePath()).absolutePath()));
        const QString secondsEdit = QStringLiteral("Time900   #1P900S300\r");
        second.start(QStringLiteral(SECOND_COPY_PROGRAM), {first.sequencePath(), secondsEdit});
        QVERIFY(second.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT((second.waitForReadyRead(100), second.canReadLine() && second.bytesAvailable() > 2
                                                                    && second.peek(4096).count('\n') >= 2),
                                 20000);
        const int told = second.readLine().trimmed().toInt();
        const QString secondsCopy = QString::fromLocal8Bit(second.readLine().trimmed());
        QCOMPARE(told, 1); // that the sequence is in use by another copy
        QVERIFY(secondsCopy != recoveryPath(first));

        first.window().findChild<QAction *>(QStringLiteral("saveAction"))->trigger();
        second.kill();
        QVERIFY(second.waitForFinished());
        QCOMPARE(readAll(secondsCopy), onDisk(secondsEdit));

        first.notifier.confirmAnswer = true;
        first.restart();
        QCOMPARE(first.notifier.shown.size(), 1);
        QVERIFY(first.notifier.shown[0].text.contains(secondsCopy));
        QCOMPARE(first.editor().text(), secondsEdit);
    }

    // A signal while the start-up question is open ends the program as a close
    // does, the question answered safely: the recovery copy stays as it was.
    void aSignalDuringAStartUpQuestionKeepsTheCopy()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("servo-console"));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_CONSOLE_PROGRAM), program));
        const QString path = dir.filePath(QStringLiteral("cmd.txt"));
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(writeAll(path, loaded, now.addSecs(-60)));
        QVERIFY(writeAll(path + QStringLiteral(".recovery"), "Time100   \r\n", now));
        QProcess process;
        process.setProcessEnvironment(childEnvironment(dir.path()));
        process.start(program, {});
        QVERIFY(process.waitForStarted());
        // The copy is locked while its question is open.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path + QStringLiteral(".recovery.lock")), 20000);
        process.terminate();
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(readAll(path), loaded);
        QCOMPARE(readAll(path + QStringLiteral(".recovery")), QByteArray("Time100   \r\n"));
    }

    void theProgramEndsNormallyOnSigterm()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("servo-console"));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_CONSOLE_PROGRAM), program));
        QProcess process;
        process.setProcessEnvironment(childEnvironment(dir.path()));
        process.start(program, {});
        QVERIFY(process.waitForStarted());
        if (!catchesSignal(process.processId(), SIGTERM).has_value()) {
            process.kill();
            process.waitForFinished();
            QSKIP("needs /proc to see when the program is ready");
        }
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(process.processId(), SIGTERM).value_or(false), 20000);
        process.terminate();
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
    }
};

SERVO_TEST_MAIN(TestSequenceSafety)
#include "tst_sequencesafety.moc"
