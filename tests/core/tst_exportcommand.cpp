// SPDX-License-Identifier: MIT
// servo-console --export-sketch DIR [--sequence FILE] [--profile FILE] [--loop],
// run as its own process without a display: its exit status, what it says and
// what it writes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

using Files = QMap<QString, QByteArray>; // name → bytes

namespace {

const QByteArray twoLines = "Time500   #5P2000S300#6P1000S300\r\nTime800   #5P1000T1000\r\n";

QByteArray thirteenChannels()
{
    QByteArray command = "Time500   ";
    for (int channel = 0; channel < 13; ++channel)
        command += "#" + QByteArray::number(channel) + "P1500";
    return command + "\r\n";
}

QByteArray profileWithHome(int channel, int home)
{
    return "{\"version\": 1, \"channels\": {\"" + QByteArray::number(channel)
           + "\": {\"home\": " + QByteArray::number(home) + "}}}";
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Files are named in the test's folder; "@" stands for that folder.
    void exitStatus_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after --export-sketch @/out/wave
        QTest::addColumn<Files>("files");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("inData"); // in sequence_data.h when it was written

        const Files sequence{{"wave.txt", twoLines}};
        QTest::newRow("exported, played once")
            << QStringList{"--sequence", "@/wave.txt"} << sequence << 0 << QByteArray("const bool looping = false;");
        QTest::newRow("--loop") << QStringList{"--sequence", "@/wave.txt", "--loop"} << sequence << 0
                                << QByteArray("const bool looping = true;");
        QTest::newRow("the profile beside the sequence")
            << QStringList{"--sequence", "@/wave.txt"}
            << Files{{"wave.txt", twoLines}, {"wave.arm.json", profileWithHome(6, 1234)}} << 0
            << QByteArray("homes[servoCount] = {1500, 1234}");
        QTest::newRow("--profile") << QStringList{"--sequence", "@/wave.txt", "--profile", "@/other.json"}
                                   << Files{{"wave.txt", twoLines},
                                            {"wave.arm.json", profileWithHome(6, 1234)},
                                            {"other.json", profileWithHome(5, 1111)}}
                                   << 0 << QByteArray("homes[servoCount] = {1111, 1500}");
        QTest::newRow("no such sequence") << QStringList{"--sequence", "@/none.txt"} << sequence << 1 << QByteArray();
        QTest::newRow("a profile that cannot be read whole")
            << QStringList{"--sequence", "@/wave.txt"}
            << Files{{"wave.txt", twoLines}, {"wave.arm.json", "{\"version\": 1, \"speed\": 3}"}} << 1 << QByteArray();
        QTest::newRow("refused: 13 channels")
            << QStringList{"--sequence", "@/many.txt"} << Files{{"many.txt", thirteenChannels()}} << 1 << QByteArray();
        QTest::newRow("a folder that cannot be made")
            << QStringList{"--sequence", "@/wave.txt"} << Files{{"wave.txt", twoLines}, {"out", "a file, not a folder"}}
            << 1 << QByteArray();
    }
    void exitStatus()
    {
        QFETCH(QStringList, arguments);
        QFETCH(Files, files);
        QFETCH(int, status);
        QFETCH(QByteArray, inData);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeFile(dir.filePath(it.key()), it.value());
        for (QString &argument : arguments)
            argument.replace(u'@', dir.path());

        const QString folder = dir.filePath(QStringLiteral("out/wave"));
        const auto [exitCode, out, err] = run(QStringList{QStringLiteral("--export-sketch"), folder} + arguments);
        QCOMPARE(exitCode, status);
        // A word on success, the reason on failure, each where it belongs.
        QCOMPARE(out.isEmpty(), status != 0);
        QCOMPARE(err.isEmpty(), status == 0);
        QCOMPARE(QFile::exists(folder + QStringLiteral("/wave.ino")), status == 0);
        if (status == 0) {
            const QByteArray data = readFile(folder + QStringLiteral("/sequence_data.h"));
            QVERIFY2(data.contains(inData), data.constData());
        }
    }

    // Without --sequence: cmd.txt where the program keeps it (beside a program
    // whose folder can be written), with arm.json beside it.
    void defaultsToTheProgramsSequence()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString program = dir.filePath(QStringLiteral("servo-console"));
        QVERIFY(QFile::copy(QStringLiteral(SERVO_CONSOLE_PROGRAM), program));
        writeFile(dir.filePath(QStringLiteral("cmd.txt")), twoLines);
        writeFile(dir.filePath(QStringLiteral("arm.json")), profileWithHome(5, 1777));
        const QString folder = dir.filePath(QStringLiteral("exported"));
        const auto [exitCode, out, err] = run({QStringLiteral("--export-sketch"), folder}, program);
        QCOMPARE(exitCode, 0);
        QVERIFY(readFile(folder + QStringLiteral("/sequence_data.h")).contains("homes[servoCount] = {1777, 1500}"));
    }

private:
    struct Run {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };

    // With no display of any kind: the export must not need one.
    static Run run(const QStringList &arguments, const QString &program = QStringLiteral(SERVO_CONSOLE_PROGRAM))
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(display));
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (!process.waitForFinished(60'000) || process.exitStatus() != QProcess::NormalExit)
            qFatal("servo-console did not end");
        return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
    }
};

SERVO_TEST_MAIN(TestExportCommand)
#include "tst_exportcommand.moc"
