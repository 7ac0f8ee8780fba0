#include "app/recoverycopy.h"
#include "app/terminationsignals.h"
#include "core/sequencestore.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

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
        MainWindow second({std::make_unique<FakeSerialPort>(), &notifier, [] { return QStringList(); },
                           first.sequencePath()});
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
        QTest::newRow("no-break space, tab") << "a\u00A0b\tc\r" << QByteArray("a\xC2\xA0" "b\tc\r\n");
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
        QCOMPARE(readAll(harness.sequencePath()),
                 restore ? onDisk(edited) : loaded);
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

    void theProgramEndsNormallyOnSigterm()
    {
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("servo-console"));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_CONSOLE_PROGRAM), program));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
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
