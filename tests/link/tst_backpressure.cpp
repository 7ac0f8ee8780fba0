// SPDX-License-Identifier: MIT
#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>

#include "support/testmain.h"

// The real serial port object against a far end that reads at a real line's
// rate, stops, and hangs up: a slow board is not an unplugged one.
namespace {

constexpr int lineRate = 11'520; // bytes/s at 115200 baud, 8N1
constexpr int asFastAsItCan = 0;

// Command n of `size` bytes, CR included: channel groups, different for each n.
QByteArray command(int n, int size)
{
    const QByteArray group = QStringLiteral("#%1P%2S300").arg(n % 10).arg(1000 + n % 1000).toLatin1();
    return group.repeated(size / group.size() + 1).left(size - 1) + '\r';
}

} // namespace

class TestBackPressure : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
        m_port = std::make_unique<QtSerialPort>();
        QVERIFY(m_port->setCommPort(m_pty->portNumber()).ok());
        QVERIFY(m_port->openPort().ok());
        // Two seconds of the line.
        QCOMPARE(m_port->queueLimit(), 2 * lineRate);
        m_lost = std::make_unique<QSignalSpy>(m_port.get(), &SerialPort::lost);
        m_notices = std::make_unique<QSignalSpy>(m_port.get(), &SerialPort::notice);
    }
    void cleanup()
    {
        m_notices.reset();
        m_lost.reset();
        m_port.reset();
        m_pty.reset();
    }

    void streamArrivesInOrder_data()
    {
        QTest::addColumn<int>("size");     // bytes a command
        QTest::addColumn<int>("interval"); // ms between commands; 0: back to back
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("readerRate");   // bytes/s
        QTest::addColumn<int>("pauseAfter");   // commands sent when the reader stops for 2 s; -1: never
        QTest::addColumn<QString>("refusing"); // must, never, or may

        // 19,300 bytes/s into a line of 11,520: the queue fills and refuses.
        QTest::newRow("500 lines of 386 bytes every 20 ms") << 386 << 20 << 500 << lineRate << -1 << "must";
        // 9,650 bytes/s: the queue rides out the stop, and catches up after.
        QTest::newRow("reader stops 2 s and resumes") << 386 << 40 << 100 << lineRate << 25 << "never";
        QTest::newRow("100,000 back-to-back moves") << 12 << 0 << 100'000 << asFastAsItCan << -1 << "may";
    }
    void streamArrivesInOrder()
    {
        QFETCH(int, size);
        QFETCH(int, interval);
        QFETCH(int, count);
        QFETCH(int, readerRate);
        QFETCH(int, pauseAfter);
        QFETCH(QString, refusing);
        m_pty->startReader(readerRate);

        QByteArray accepted;
        int sent = 0, refused = 0;
        // An episode of refusing begins at a refusal and ends once the queue is
        // back to half its bound; each is told once.
        int episodes = 0;
        bool inEpisode = false;
        qint64 largestQueue = 0;
        QList<int> otherFailures;
        const auto sendNext = [&] {
            if (m_port->queuedBytes() <= m_port->queueLimit() / 2)
                inEpisode = false;
            const QByteArray bytes = command(sent, size);
            const SerialResult result = m_port->output(QString::fromLatin1(bytes));
            if (result.ok())
                accepted += bytes;
            else if (result.code() == SerialResult::QueueFull)
                ++refused;
            else
                otherFailures.append(result.code());
            if (result.code() == SerialResult::QueueFull && !inEpisode) {
                ++episodes;
                inEpisode = true;
            }
            largestQueue = std::max(largestQueue, m_port->queuedBytes());
            if (++sent == pauseAfter) {
                m_pty->setReaderPaused(true);
                QTimer::singleShot(2000, [this] { m_pty->setReaderPaused(false); });
            }
        };
        if (interval > 0) {
            QTimer clock;
            clock.setTimerType(Qt::PreciseTimer);
            connect(&clock, &QTimer::timeout, this, [&] {
                sendNext();
                if (sent == count)
                    clock.stop();
            });
            clock.start(interval);
            QTRY_VERIFY_WITH_TIMEOUT(!clock.isActive(), count * interval * 2 + 5000);
        } else {
            while (sent < count) {
                sendNext();
                QCoreApplication::processEvents();
            }
        }

        // Everything accepted arrives, in order, and nothing else.
        QTRY_COMPARE_WITH_TIMEOUT(m_pty->received().size(), accepted.size(), 10'000);
        QCOMPARE(m_pty->received(), accepted);
        QCOMPARE(otherFailures, QList<int>());
        QCOMPARE(m_lost->count(), 0);
        QVERIFY(m_port->portOpen());
        QVERIFY2(largestQueue <= m_port->queueLimit(), qPrintable(QString::number(largestQueue)));
        // Never silent: each episode of refusing is told, once.
        QCOMPARE(m_notices->count(), episodes);
        if (refusing == u"must")
            QVERIFY(refused > 0 && largestQueue > m_port->queueLimit() - size);
        if (refusing == u"never")
            QCOMPARE(refused, 0);
    }

    void queueBoundHoldsForEveryCommand_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("taken");
        QTest::newRow("2.1 MB into an empty queue") << 2'100'001 << false;
        QTest::newRow("one byte past the bound") << 2 * lineRate + 1 << false;
        QTest::newRow("the bound") << 2 * lineRate << true;
    }
    void queueBoundHoldsForEveryCommand()
    {
        QFETCH(int, size);
        QFETCH(bool, taken);
        // A far end that has stopped reading: nothing drains.
        m_pty->startReader(lineRate);
        m_pty->setReaderPaused(true);
        const QString text = QString::fromLatin1(command(0, size));
        if (!taken) {
            // Refused whole, and told with the bound, each time.
            for (int attempt = 1; attempt <= 2; ++attempt) {
                QCOMPARE(m_port->output(text).code(), SerialResult::QueueFull);
                QCOMPARE(m_notices->count(), attempt);
                const auto told = m_notices->last().first().value<PortNotice>();
                QCOMPARE(told.kind, PortNotice::Kind::CommandTooLong);
                QCOMPARE(told.bytes, qint64(size));
                QCOMPARE(told.queueLimit, m_port->queueLimit());
                QVERIFY2(told.describe().contains(QString::number(m_port->queueLimit())), qPrintable(told.describe()));
            }
            QCOMPARE(m_port->queuedBytes(), 0);
            QCOMPARE(m_port->traffic().bytes, 0);
            QCOMPARE(m_port->traffic().commands, 0);
            m_pty->setReaderPaused(false);
            QTest::qWait(200);
            QCOMPARE(m_pty->received(), QByteArray());
            return;
        }
        QVERIFY(m_port->output(text).ok());
        QCOMPARE(m_notices->count(), 0);
        // Only what the driver took counts as sent (Qt tells it a write late);
        // the command does not, until its last byte is.
        QTest::qWait(200);
        QVERIFY(m_port->queuedBytes() > 0);
        QVERIFY(m_port->traffic().bytes + m_port->queuedBytes() <= qint64(size));
        QCOMPARE(m_port->traffic().commands, 0);
        m_pty->setReaderPaused(false);
        QTRY_COMPARE_WITH_TIMEOUT(m_port->traffic().commands, 1, 5000);
        QCOMPARE(m_port->traffic().bytes, qint64(size));
    }

    void hangUpMidStreamIsLostOnce()
    {
        m_pty->startReader(lineRate);
        QTimer clock;
        clock.setTimerType(Qt::PreciseTimer);
        int sent = 0;
        QList<int> codes;
        connect(&clock, &QTimer::timeout, this,
                [&] { codes.append(m_port->output(QString::fromLatin1(command(sent++, 386))).code()); });
        clock.start(20);
        // Hang up with a queue behind the driver's buffer.
        QTRY_VERIFY_WITH_TIMEOUT(m_port->queuedBytes() > 0, 10'000);
        m_pty->hangUp();
        QTRY_COMPARE(m_lost->count(), 1);
        QVERIFY(!m_port->portOpen());
        const int sentAtLoss = sent;
        QTRY_VERIFY(sent > sentAtLoss + 5);
        clock.stop();
        QCOMPARE(m_lost->count(), 1);
        QCOMPARE(m_notices->count(), 0);
        QCOMPARE(codes.last(), int(SerialResult::PortNotOpen));
        QVERIFY(!codes.contains(SerialResult::QueueFull));
    }

    void nothingWaitsOnceThePortIsGone_data()
    {
        QTest::addColumn<bool>("hangUp");   // else closed
        QTest::addColumn<bool>("lineHeld"); // else the far end stops reading
        QTest::newRow("the far end hangs up on a held line") << true << true;
        QTest::newRow("the far end hangs up") << true << false;
        QTest::newRow("closed while the far end has stopped reading") << false << false;
    }
    void nothingWaitsOnceThePortIsGone()
    {
        QFETCH(bool, hangUp);
        QFETCH(bool, lineHeld);
        m_pty->startReader(lineRate);
        if (lineHeld)
            m_pty->setLineHeld(true);
        else
            m_pty->setReaderPaused(true);
        // Commands wait in the port object (on a held line) and in the
        // program's queue.
        for (int n = 0; m_port->queuedBytes() < lineRate; ++n) {
            QVERIFY(m_port->output(QString::fromLatin1(command(n, 386))).ok());
            QCoreApplication::processEvents();
        }
        if (hangUp) {
            m_pty->hangUp();
            QTRY_COMPARE(m_lost->count(), 1);
        } else {
            m_port->closeAfterDraining();
        }
        QVERIFY(!m_port->portOpen());
        QCOMPARE(m_port->queuedBytes(), 0);
        QCOMPARE(m_port->deferredMoves(), 0);
    }

    void closingDrainsTheQueue_data()
    {
        QTest::addColumn<bool>("readerStops");
        QTest::addColumn<int>("fill"); // bytes queued behind the driver's buffer
        QTest::newRow("reader goes on") << false << 5000;
        QTest::newRow("reader has stopped") << true << 2 * lineRate - 386;
    }
    void closingDrainsTheQueue()
    {
        QFETCH(bool, readerStops);
        QFETCH(int, fill);
        m_pty->startReader(lineRate);
        QByteArray accepted;
        for (int n = 0; m_port->queuedBytes() < fill; ++n) {
            const QByteArray bytes = command(n, 386);
            QVERIFY(m_port->output(QString::fromLatin1(bytes)).ok());
            accepted += bytes;
        }
        m_pty->setReaderPaused(readerStops);
        m_port->closeAfterDraining();
        QVERIFY(!m_port->portOpen());
        m_pty->setReaderPaused(false);
        // Counted as sent: what reached the device, never what was dropped.
        const SerialPort::Traffic sent = m_port->traffic();
        QCOMPARE(sent.accepted, qint64(accepted.size()));
        if (!readerStops) {
            QTRY_COMPARE(m_pty->received(), accepted);
            QCOMPARE(m_notices->count(), 0);
            QCOMPARE(sent.bytes, qint64(accepted.size()));
            QCOMPARE(sent.commands, qint64(accepted.count('\r')));
        } else {
            QVERIFY(sent.bytes < accepted.size());
            QVERIFY(sent.commands < accepted.count('\r'));
            // What could not go out is said, with how much it was.
            QCOMPARE(m_notices->count(), 1);
            const auto told = m_notices->first().first().value<PortNotice>();
            QCOMPARE(told.kind, PortNotice::Kind::DiscardedOnClose);
            QVERIFY2(told.describe().contains(u"字节") && told.describe().contains(u"丢弃"),
                     qPrintable(told.describe()));
            QTRY_VERIFY(m_pty->received().size() > 0);
            QVERIFY(accepted.startsWith(m_pty->received()));
            QVERIFY(m_pty->received().size() < accepted.size());
            QVERIFY(m_pty->received().size() <= sent.bytes);
            // Sent and discarded make up what was accepted.
            QCOMPARE(told.bytes, accepted.size() - sent.bytes);
        }
        QCOMPARE(m_lost->count(), 0);
    }

private:
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<QtSerialPort> m_port;
    std::unique_ptr<QSignalSpy> m_lost;
    std::unique_ptr<QSignalSpy> m_notices;
};

// The same through the window: playback of a sequence faster than the line.
class TestBackPressureWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playbackFasterThanTheLineStaysConnected()
    {
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        WindowHarness::Options options;
        options.port = std::make_unique<QtSerialPort>();
        const QtSerialPort &port = static_cast<QtSerialPort &>(*options.port);
        WindowHarness h(std::move(options));
        h.connectTo(pty.portBoxText());
        QVERIFY(h.window().portIsOpen());
        pty.startReader(lineRate);

        // 500 lines of all 32 channels, 20 ms apart: 19,250 bytes/s.
        QByteArrayList commands;
        QString text;
        for (int n = 0; n < 500; ++n) {
            QByteArray groups;
            for (int channel = 0; channel < 32; ++channel)
                groups += QStringLiteral("#%1P%2S300").arg(channel).arg(1000 + n).toLatin1();
            commands.append(groups + '\r');
            text += QStringLiteral("Time20    ") + QString::fromLatin1(groups) + u'\r';
        }
        h.editor().setText(text);
        h.button("RunCommand").click();
        const Message ok{Message::Icon::None, {}, QStringLiteral("ok")};
        QTRY_VERIFY_WITH_TIMEOUT(h.notifier.shown.contains(ok), 30'000);

        // Told that commands were refused (once an episode); never that the
        // device is gone.
        const QList<Message> told = h.notifier.shown;
        QCOMPARE(told.last(), ok);
        QVERIFY(told.size() >= 2);
        for (const Message &message : told.first(told.size() - 1)) {
            QCOMPARE(message.icon, Message::Icon::Warning);
            QVERIFY2(message.text.contains(u"拒绝"), qPrintable(message.text));
        }
        QVERIFY(h.window().portIsOpen());

        // Disconnect lets the queue drain: every line that was taken arrives,
        // whole and in order.
        QVERIFY(port.queuedBytes() > 0);
        QTRY_VERIFY_WITH_TIMEOUT(port.queuedBytes() < port.queueLimit() / 2, 5000);
        h.button("Command3").click();
        QVERIFY(!h.window().portIsOpen());
        QCOMPARE(h.notifier.shown, told);
        QByteArray arrived;
        QTRY_VERIFY((arrived = pty.received()).endsWith('\r'));
        const QByteArrayList lines = arrived.chopped(1).split('\r');
        QVERIFY(lines.size() < commands.size());
        qsizetype next = 0;
        for (const QByteArray &line : lines) {
            while (next < commands.size() && commands[next] != line + '\r')
                ++next;
            QVERIFY2(next < commands.size(), line.constData());
            ++next;
        }
    }
};

int main(int argc, char *argv[])
{
    testsupport::prepare();
    QApplication app(argc, argv);
    TestBackPressure port;
    TestBackPressureWindow window;
    return QTest::qExec(&port, argc, argv) | QTest::qExec(&window, argc, argv);
}
#include "tst_backpressure.moc"
