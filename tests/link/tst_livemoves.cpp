// SPDX-License-Identifier: MIT
#include "link/qtserialport.h"
#include "support/pseudoterminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QSignalSpy>
#include <QTest>

#include "support/testmain.h"

// Live moves and stops on the real serial port object, against a far end that
// reads at a real line's rate and a line that can be held.
namespace {

constexpr int lineRate = 11'520; // bytes/s at 115200 baud, 8N1

QString move(int channel, int pulse)
{
    return QStringLiteral("#%1P%2S500\r").arg(channel).arg(pulse);
}

// The last pulse each channel was sent in `bytes`, and how many moves it had.
struct Arrived {
    QMap<int, int> lastPulse;
    QMap<int, int> moves;
    QByteArrayList ordered; // commands with a T: the ordered lines
};

Arrived read(const QByteArray &bytes)
{
    Arrived arrived;
    for (const QByteArray &command : bytes.split('\r')) {
        if (command.isEmpty())
            continue;
        if (command.contains('T')) {
            arrived.ordered.append(command);
            continue;
        }
        const qsizetype p = command.indexOf('P');
        const int channel = command.mid(1, p - 1).toInt();
        arrived.lastPulse[channel] = command.mid(p + 1, command.indexOf('S') - p - 1).toInt();
        ++arrived.moves[channel];
    }
    return arrived;
}

} // namespace

class TestLiveMoves : public QObject
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
        m_notices = std::make_unique<QSignalSpy>(m_port.get(), &SerialPort::notice);
        m_pty->startReader(lineRate);
    }
    void cleanup()
    {
        m_notices.reset();
        m_port.reset();
        m_pty.reset();
    }

    void fastDragCatchesUpAtOnce_data()
    {
        QTest::addColumn<int>("channels");
        QTest::newRow("one slider") << 1;
        QTest::newRow("six together") << 6;
    }
    void fastDragCatchesUpAtOnce()
    {
        QFETCH(int, channels);
        // 500 changes a channel at 2,000 changes a second: far more than the line carries.
        constexpr int steps = 500;
        QElapsedTimer clock;
        clock.start();
        for (int step = 0; step < steps; ++step) {
            while (clock.nsecsElapsed() < qint64(step) * 500'000)
                QCoreApplication::processEvents();
            for (int channel = 0; channel < channels; ++channel)
                QVERIFY(m_port->outputMove(channel, move(channel, 1000 + step)).ok());
        }
        const qint64 lastChangeNs = clock.nsecsElapsed();
        const auto allFinal = [&] {
            const Arrived arrived = read(m_pty->received());
            for (int channel = 0; channel < channels; ++channel)
                if (arrived.lastPulse.value(channel) != 999 + steps)
                    return false;
            return true;
        };
        while (!allFinal() && clock.nsecsElapsed() - lastChangeNs < 2'000'000'000)
            QCoreApplication::processEvents();
        // Every channel's last position arrives; how soon is bench_drag's to measure.
        QVERIFY(allFinal());
        // Merged, not queued: no more moves than the line carried while the
        // drag went on, and the last one of each channel; no warning. A drag
        // the machine made no faster than the line leaves nothing to merge.
        const double carried = double(lastChangeNs) / 1e9 * lineRate / double(move(0, 1000).size());
        if (carried >= steps * channels)
            QSKIP("the drag was no faster than the line carries moves: nothing to merge");
        const Arrived arrived = read(m_pty->received());
        int moves = 0;
        for (int channel = 0; channel < channels; ++channel)
            moves += arrived.moves.value(channel);
        QVERIFY2(moves <= carried * 1.1 + channels,
                 qPrintable(QStringLiteral("%1 moves, the line carried %2 in the drag").arg(moves).arg(carried)));
        QCOMPARE(m_notices->count(), 0);
    }

    void heldLineGetsOneMovePerChannelAndEveryLine_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("orderedEvery"); // an ordered line after every n changes; 0: none
        QTest::newRow("a drag of two sliders") << 2 << 0;
        QTest::newRow("a drag among lines of playback") << 2 << 50;
    }
    void heldLineGetsOneMovePerChannelAndEveryLine()
    {
        QFETCH(int, channels);
        QFETCH(int, orderedEvery);
        m_pty->setLineHeld(true);
        QByteArrayList ordered;
        constexpr int steps = 500;
        for (int step = 0; step < steps; ++step) {
            for (int channel = 0; channel < channels; ++channel) {
                const SerialResult r = m_port->outputMove(channel, move(channel, 1000 + step));
                QVERIFY2(r.ok(), qPrintable(QString::number(r.code()) + r.reason()));
            }
            if (orderedEvery > 0 && step % orderedEvery == 0) {
                const QByteArray line = QStringLiteral("#9P%1T100").arg(1000 + step).toLatin1();
                QVERIFY(m_port->output(QString::fromLatin1(line + '\r')).ok());
                ordered.append(line);
            }
            QCoreApplication::processEvents();
        }
        QTest::qWait(50);
        QCOMPARE(m_pty->received(), QByteArray());
        m_pty->setLineHeld(false);
        QTRY_COMPARE(read(m_pty->received()).ordered.size(), ordered.size());
        QTRY_VERIFY(read(m_pty->received()).lastPulse.value(channels - 1) == 999 + steps);
        QTest::qWait(100);
        const Arrived arrived = read(m_pty->received());
        // Every line, whole and in order.
        QCOMPARE(arrived.ordered, ordered);
        int moves = 0;
        for (int channel = 0; channel < channels; ++channel) {
            QCOMPARE(arrived.lastPulse.value(channel), 999 + steps);
            moves += arrived.moves.value(channel);
        }
        // What the device took as the line stopped (about 10 ms of the line and
        // one command), then one per channel for each stretch between lines of
        // playback: the rest of the 500 steps merged.
        const qsizetype moveBytes = move(0, 1000).size();
        const qint64 deviceTook = qint64(SerialPort::deviceSeconds * lineRate) / moveBytes + 1;
        QVERIFY2(moves <= deviceTook + channels * (1 + ordered.size()), qPrintable(QString::number(moves)));
        QCOMPARE(m_notices->count(), 0);
    }

    void stopSendsNothingMoreThanTheDeviceHeld_data()
    {
        QTest::addColumn<bool>("readerStops"); // else the line is held
        QTest::addColumn<int>("stillOut");     // bytes that may still arrive after the stop
        // A held line: the stop drops what the port object and the driver hold.
        QTest::newRow("held line") << false << 0;
        // A far end that stops reading: what the terminal already took for it
        // (its read buffer, 4,095 bytes on Linux) still arrives.
        QTest::newRow("reader stops") << true << 4096;
    }
    void stopSendsNothingMoreThanTheDeviceHeld()
    {
        QFETCH(bool, readerStops);
        QFETCH(int, stillOut);
        QTest::qWait(20);
        if (readerStops)
            m_pty->setReaderPaused(true);
        else
            m_pty->setLineHeld(true);
        // A second of lines of 32 channels, far more than the device may hold.
        QByteArray all;
        for (int n = 0; m_port->queuedBytes() < lineRate / 2; ++n) {
            QByteArray line;
            for (int channel = 0; channel < 32; ++channel)
                line += QStringLiteral("#%1P%2").arg(channel).arg(1000 + n).toLatin1();
            line += "T20\r";
            QVERIFY(m_port->output(QString::fromLatin1(line)).ok());
            all += line;
            QCoreApplication::processEvents();
        }
        m_port->discardUnsent();
        QCOMPARE(m_port->queuedBytes(), 0);
        m_pty->setReaderPaused(false);
        m_pty->setLineHeld(false);
        QTest::qWait(300);
        const QByteArray arrived = m_pty->received();
        QVERIFY2(arrived.size() <= stillOut, qPrintable(QString::number(arrived.size())));
        // Only the start of what was sent, never a line from after the stop.
        QVERIFY(all.startsWith(arrived));
        // The port goes on: the next command after the stop arrives whole.
        m_pty->clearReceived();
        QVERIFY(m_port->output(move(3, 1500)).ok());
        QTRY_VERIFY(m_pty->received().endsWith(move(3, 1500).toLatin1()));
    }

private:
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<QtSerialPort> m_port;
    std::unique_ptr<QSignalSpy> m_notices;
};

SERVO_TEST_MAIN(TestLiveMoves)
#include "tst_livemoves.moc"
