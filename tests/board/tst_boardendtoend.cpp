// SPDX-License-Identifier: MIT
// servo-board run as a separate process, found through the port list, and
// driven by the real main window over a real serial port object.

#include "app/portdiscovery.h"
#include "link/qtserialport.h"
#include "shared/virtualboards.h"
#include "support/windowharness.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include "support/testmain.h"

namespace {

struct Expected {
    QByteArray raw;
    QList<std::pair<int, int>> groups; // channel, pulse
    QJsonValue speed;                  // of every group
    QStringList flags;
};

} // namespace

class TestBoardEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // Boards register in the runtime folder: one of the test's own, so that
        // boards running elsewhere on the machine stay out of it.
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_tracePath = m_runtime.filePath(QStringLiteral("trace.jsonl"));
        m_board.setProgram(QStringLiteral(SERVO_BOARD_PATH));
        m_board.setArguments({QStringLiteral("--headless"), QStringLiteral("--trace"), m_tracePath});
        m_board.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_board.start();
        QVERIFY(m_board.waitForStarted());
        QTRY_VERIFY(m_board.canReadLine());
        // First line: port name and device.
        const QStringList first = QString::fromLocal8Bit(m_board.readLine()).trimmed().split(u' ');
        QCOMPARE(first.size(), 2);
        QVERIFY(first[1].startsWith(QStringLiteral("/dev/pts/")));
        QCOMPARE(first[0], QStringLiteral("COM%1").arg(1000 + first[1].section(u'/', -1).toInt()));
        m_portName = first[0];
        m_device = first[1];
        m_listed = virtualboards::displayName(first[0].mid(3).toInt());
    }

    void cleanup()
    {
        if (m_board.state() != QProcess::NotRunning) {
            m_board.kill();
            m_board.waitForFinished();
        }
    }

    void drivesTheBoardFromTheMainWindow()
    {
        WindowHarness::Options options;
        options.port = std::make_unique<QtSerialPort>();
        options.ports = systemPortEnumerator()();
        QVERIFY2(options.ports.contains(m_listed), qPrintable(options.ports.join(u',')));
        WindowHarness harness(std::move(options));
        QCOMPARE(harness.portBox().findText(m_listed) >= 0, true);
        harness.connectTo(m_listed);
        QVERIFY(harness.window().portIsOpen());

        harness.child<QLineEdit>(QStringLiteral("Text2")).setText(QStringLiteral("100"));
        harness.checkBox(5).setChecked(true);
        harness.slider(5).setValue(2000);
        harness.button("Command2").click(); // add
        harness.slider(5).setValue(1000);
        harness.button("Command2").click();
        harness.button("RunCommand").click();
        QTRY_COMPARE(harness.notifier.shown.size(), 1); // "ok" at the end of the sequence
        harness.child<QLineEdit>(QStringLiteral("Text3")).setText(QStringLiteral("#0P1500#1P900T500"));
        harness.button("Command8").click(); // send
        // An empty speed box: the board moves without a speed limit and flags it.
        harness.child<QLineEdit>(QStringLiteral("speedinput")).clear();
        harness.slider(5).setValue(1200);

        // The board keeps its line across the program's connections; what was
        // sent has arrived before the port closes.
        QTRY_COMPARE(trace().size(), 6);
        harness.button("Command3").click(); // disconnect
        QVERIFY(!harness.window().portIsOpen());
        harness.connectTo(m_listed);
        QVERIFY(harness.window().portIsOpen());
        harness.child<QLineEdit>(QStringLiteral("Text3")).setText(QStringLiteral("#40P1000"));
        harness.button("Command8").click();

        const QJsonValue s300(300), noLimit;
        const QList<Expected> expected{
            {"#5P2000S300", {{5, 2000}}, s300, {}},
            {"#5P1000S300", {{5, 1000}}, s300, {}},
            {"#5P2000S300", {{5, 2000}}, s300, {}}, // played line 1
            {"#5P1000S300", {{5, 1000}}, s300, {}}, // played line 2
            {"#0P1500#1P900T500", {{0, 1500}, {1, 900}}, noLimit, {}},
            {"#5P1200S", {{5, 1200}}, noLimit, {QStringLiteral("empty-speed")}},
            {"#40P1000", {}, noLimit, {QStringLiteral("unknown-channel")}},
        };
        QTRY_COMPARE(trace().size(), expected.size());
        const QList<QJsonObject> received = trace();
        qint64 previous = 0;
        for (qsizetype i = 0; i < expected.size(); ++i) {
            const QJsonObject &command = received[i];
            QCOMPARE(command[u"raw"].toString().toLatin1(), expected[i].raw);
            const QJsonArray groups = command[u"groups"].toArray();
            QCOMPARE(groups.size(), expected[i].groups.size());
            for (qsizetype k = 0; k < groups.size(); ++k) {
                QCOMPARE(groups[k][u"channel"].toInt(), expected[i].groups[k].first);
                QCOMPARE(groups[k][u"pulse"].toInt(), expected[i].groups[k].second);
                QCOMPARE(groups[k][u"speed"], expected[i].speed);
            }
            QCOMPARE(command[u"flags"].toVariant().toStringList(), expected[i].flags);
            const qint64 arrival = command[u"arrival_us"].toInteger();
            QVERIFY(arrival >= previous);
            previous = arrival;
        }
        QCOMPARE(received[4][u"time_ms"].toInt(), 500);
        // SIGTERM: a clean end, the registration gone, the trace complete.
        m_board.terminate();
        QVERIFY(m_board.waitForFinished());
        QCOMPARE(m_board.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_board.exitCode(), 0);
        QVERIFY(!systemPortEnumerator()().contains(m_listed));
        QVERIFY(!QFile::exists(virtualboards::lockFilePath(m_portName.mid(3).toInt())));
        QCOMPARE(trace().size(), expected.size());
        // The program meets a lost device, as with a pulled cable.
        QTRY_VERIFY(!harness.window().portIsOpen());
    }

    void killedBoardIsNeverListed()
    {
        QVERIFY(virtualboards::runningPorts().contains(m_portName.mid(3).toInt()));
        m_board.kill();
        QVERIFY(m_board.waitForFinished());
        QVERIFY(QFile::exists(virtualboards::lockFilePath(m_portName.mid(3).toInt())));
        QVERIFY(!systemPortEnumerator()().contains(m_listed));
        QVERIFY(virtualboards::runningPorts().isEmpty());
    }

    // Commands written all at once reach the board no faster than the line
    // settings applied to the device carry them.
    void readsAtTheLineRate_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("bytesPerSecond");
        QTest::newRow("115200 8N1") << int(B115200) << 11520;
        QTest::newRow("38400 8N2") << int(B38400) << 3490;
    }
    void readsAtTheLineRate()
    {
        QFETCH(int, speed);
        QFETCH(int, bytesPerSecond);
        const int fd = ::open(m_device.toLocal8Bit().constData(), O_WRONLY | O_NOCTTY);
        QVERIFY(fd >= 0);
        termios line{};
        QCOMPARE(::tcgetattr(fd, &line), 0);
        ::cfmakeraw(&line);
        ::cfsetspeed(&line, speed_t(speed));
        line.c_cflag = (line.c_cflag & ~tcflag_t(CSTOPB)) | (bytesPerSecond == 3490 ? CSTOPB : 0);
        QCOMPARE(::tcsetattr(fd, TCSANOW, &line), 0);
        constexpr int commands = 100;
        const QByteArray command("#1P1500S300\r");
        const QByteArray bytes = command.repeated(commands);
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(fd);

        QTRY_COMPARE_WITH_TIMEOUT(trace().size(), commands, 10000);
        const QList<QJsonObject> received = trace();
        const double span =
            double(received.last()[u"arrival_us"].toInteger() - received.first()[u"arrival_us"].toInteger());
        const double lineTime = double((commands - 1) * command.size()) * 1e6 / bytesPerSecond;
        QVERIFY2(span >= 0.9 * lineTime, qPrintable(QStringLiteral("%1 us for %2 us of line").arg(span).arg(lineTime)));
    }

private:
    QList<QJsonObject> trace() const
    {
        QFile file(m_tracePath);
        QList<QJsonObject> lines;
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                lines.append(QJsonDocument::fromJson(line).object());
        }
        return lines;
    }

    QTemporaryDir m_runtime;
    QString m_tracePath;
    QProcess m_board;
    QString m_portName;
    QString m_device;
    QString m_listed;
};

SERVO_TEST_MAIN(TestBoardEndToEnd)
#include "tst_boardendtoend.moc"
