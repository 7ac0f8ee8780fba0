// SPDX-License-Identifier: MIT
#include "link/portwriter.h"
#include "link/qtserialport.h"
#include "shared/commandlimits.h"
#include "support/pseudoterminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include "support/testmain.h"

// The real serial port object on a slow line (9,600 baud, 8N1) whose far end
// reads at the line's rate: what waits for such a line is seconds long, and
// the rules for it must hold for every command until it is on the wire.
namespace {

constexpr auto slowSettings = "9600,n,8,1";
constexpr int slowRate = 960; // bytes/s at 9600 baud, 8N1

struct Group {
    int channel = 0;
    int pulse = 0;
    friend bool operator==(const Group &, const Group &) = default;
};

// The groups of one command at the far end.
QList<Group> groupsOf(const QByteArray &command)
{
    static const QRegularExpression group(QStringLiteral("#(\\d+)P(\\d+)"));
    QList<Group> groups;
    for (auto match = group.globalMatch(QString::fromLatin1(command)); match.hasNext();) {
        const QRegularExpressionMatch found = match.next();
        groups.append({found.captured(1).toInt(), found.captured(2).toInt()});
    }
    return groups;
}

QByteArrayList commandsIn(const QByteArray &bytes)
{
    QByteArrayList commands = bytes.split('\r');
    commands.removeLast(); // what follows the last CR: nothing, or a command not yet whole
    return commands;
}

} // namespace

class TestSlowLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
        m_port = std::make_unique<QtSerialPort>();
        QVERIFY(m_port->setSettings(QString::fromLatin1(slowSettings)).ok());
        QVERIFY(m_port->setCommPort(m_pty->portNumber()).ok());
        QVERIFY(m_port->openPort().ok());
        QCOMPARE(m_port->queueLimit(), qint64(SerialPort::queueSeconds * slowRate));
        m_notices = std::make_unique<QSignalSpy>(m_port.get(), &SerialPort::notice);
        m_pty->startReader(slowRate);
    }
    void cleanup()
    {
        m_notices.reset();
        m_port.reset();
        m_pty.reset();
    }

    void aTightenedLimitHoldsForWhatHasNotLeft_data()
    {
        QTest::addColumn<QString>("command"); // %1: the command's number
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("live"); // live moves of channel %1; else ordered
        QTest::newRow("lines of playback") << QStringLiteral("#5P2400S100\r") << 40 << false;
        QTest::newRow("glides of two channels") << QStringLiteral("#5P2400#6P2450T500\r") << 25 << false;
        QTest::newRow("live moves of every channel") << QStringLiteral("#%1P2400S100\r") << 32 << true;
    }
    void aTightenedLimitHoldsForWhatHasNotLeft()
    {
        QFETCH(QString, command);
        QFETCH(int, count);
        QFETCH(bool, live);
        constexpr int before = 2300;
        constexpr int after = 2000;
        ChannelSetup setup;
        for (int channel = 0; channel < ChannelSetup::count; ++channel) {
            setup.channel(channel).limited = true;
            setup.channel(channel).maximumPulse = before;
        }
        qsizetype clamps = 0;
        PortWriter writer(*m_port, {});
        m_port->setFilter([&](const QString &text) {
            commandlimits::Result held = commandlimits::clamp(text, setup);
            clamps += held.clamps.size();
            return held.text;
        });
        QSignalSpy sent(m_port.get(), &SerialPort::commandSent);
        for (int n = 0; n < count; ++n) {
            const QString text = live ? command.arg(n) : command;
            QVERIFY(live ? writer.writeMove(n, text) : writer.write(text, PortWriter::WhenClosed::Report));
        }
        // Tightened while most of them still wait.
        QTRY_VERIFY(sent.count() >= 2);
        for (int channel = 0; channel < ChannelSetup::count; ++channel)
            setup.channel(channel).maximumPulse = after;
        const qsizetype handedBefore = sent.count();
        QVERIFY2(handedBefore < count / 2, qPrintable(QString::number(handedBefore)));

        QTRY_COMPARE_WITH_TIMEOUT(commandsIn(m_pty->received()).size(), count, 10'000);
        const QByteArrayList arrived = commandsIn(m_pty->received());
        qsizetype groups = 0;
        for (qsizetype n = 0; n < arrived.size(); ++n) {
            // Each went out with the limit in force when it was handed over,
            // and was heard so by the twin and the journal.
            QCOMPARE(QString::fromLatin1(arrived[n] + '\r'), sent.at(n).first().toString());
            for (const Group &group : groupsOf(arrived[n])) {
                QCOMPARE(group.pulse, n < handedBefore ? before : after);
                ++groups;
            }
        }
        QCOMPARE(groups, count * command.count(u'#'));
        // Every pulse was held once, and counted once.
        QCOMPARE(clamps, groups);
        QCOMPARE(m_notices->count(), 0);
    }

    void liveMovesStayWithinTheBound_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("speedLength");  // characters of the speed text
        QTest::addColumn<int>("orderedEvery"); // an ordered line after every n moves; 0: none
        // 32 moves of 266 bytes: four times what two seconds of the line carry.
        QTest::newRow("32 columns, a 256-character speed") << 32 << 256 << 0;
        QTest::newRow("32 columns among lines of playback") << 32 << 64 << 7;
    }
    void liveMovesStayWithinTheBound()
    {
        QFETCH(int, channels);
        QFETCH(int, speedLength);
        QFETCH(int, orderedEvery);
        const QString speed(speedLength, u'3');
        const auto move = [&](int channel, int pulse) {
            return QStringLiteral("#%1P%2S%3\r").arg(channel).arg(pulse).arg(speed);
        };
        const auto withinBound = [this] { return m_port->queuedBytes() <= m_port->queueLimit(); };
        constexpr int steps = 12;
        QByteArrayList ordered;
        int moves = 0;
        for (int step = 0; step < steps; ++step) {
            for (int channel = 0; channel < channels; ++channel) {
                QVERIFY(m_port->outputMove(channel, move(channel, 1000 + step)).ok());
                QVERIFY2(withinBound(), qPrintable(QString::number(m_port->queuedBytes())));
                if (orderedEvery > 0 && ++moves % orderedEvery == 0) {
                    const QString line = QStringLiteral("#%1P%2T100\r").arg(channel).arg(2000 + moves);
                    // Refused while the line is a backlog; never cut.
                    if (m_port->output(line).ok())
                        ordered.append(line.toLatin1().chopped(1));
                }
            }
            QTest::qWait(30);
            QVERIFY2(withinBound(), qPrintable(QString::number(m_port->queuedBytes())));
        }
        // After the release, every channel's last position arrives, with
        // nothing older behind it; what waits meanwhile stays within the bound.
        const auto lastPulses = [&] {
            QMap<int, int> last;
            for (const QByteArray &command : commandsIn(m_pty->received())) {
                if (!command.contains('T'))
                    for (const Group &group : groupsOf(command))
                        last[group.channel] = group.pulse;
            }
            return last;
        };
        QMap<int, int> final;
        for (int channel = 0; channel < channels; ++channel)
            final[channel] = 1000 + steps - 1;
        const qint64 allBytes = channels * move(channels - 1, 1000).size();
        QElapsedTimer waited;
        waited.start();
        while (lastPulses() != final && waited.elapsed() < 3 * 1000 * allBytes / slowRate) {
            QVERIFY2(withinBound(), qPrintable(QString::number(m_port->queuedBytes())));
            QTest::qWait(20);
        }
        QCOMPARE(lastPulses(), final);
        QCOMPARE(m_port->deferredMoves(), 0);
        QByteArrayList orderedArrived;
        for (const QByteArray &command : commandsIn(m_pty->received())) {
            if (command.contains('T'))
                orderedArrived.append(command);
        }
        QCOMPARE(ordered.isEmpty(), orderedEvery == 0);
        QCOMPARE(orderedArrived, ordered);
        for (const QList<QVariant> &notice : *m_notices)
            QCOMPARE(notice.first().value<PortNotice>().kind, PortNotice::Kind::Backlog);
    }

    void theSpacedFormatOnTheWire_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("heard"); // by commandSent
        QTest::newRow("a move") << QStringLiteral("#5P1500S300\r") << QByteArray("#5 P1500 S300\r")
                                << QStringLiteral("#5P1500S300\r");
        QTest::newRow("a glide") << QStringLiteral("#0P900#3P1600T1500\r") << QByteArray("#0 P900 #3 P1600 T1500\r")
                                 << QStringLiteral("#0P900#3P1600T1500\r");
        QTest::newRow("held to the limit first")
            << QStringLiteral("#7P2400S100\r") << QByteArray("#7 P2100 S100\r") << QStringLiteral("#7P2100S100\r");
        QTest::newRow("a typed command for something else")
            << QStringLiteral("VER\r") << QByteArray("VER\r") << QStringLiteral("VER\r");
    }
    void theSpacedFormatOnTheWire()
    {
        QFETCH(QString, command);
        QFETCH(QByteArray, wire);
        QFETCH(QString, heard);
        ChannelSetup setup;
        setup.channel(7).limited = true;
        setup.channel(7).maximumPulse = 2100;
        PortWriter writer(*m_port, {});
        m_port->setFilter([&setup](const QString &text) { return commandlimits::clamp(text, setup).text; });
        QSignalSpy formats(m_port.get(), &SerialPort::commandFormatChanged);
        m_port->setCommandFormat(CommandFormat::Spaced);
        QCOMPARE(formats.count(), 1);
        QCOMPARE(m_port->commandFormat(), CommandFormat::Spaced);
        QSignalSpy sent(m_port.get(), &SerialPort::commandSent);
        // One goes out at once, the next two wait for the line.
        for (int n = 0; n < 3; ++n)
            QVERIFY(writer.write(command, PortWriter::WhenClosed::Report));
        QTRY_COMPARE(m_pty->received(), wire.repeated(3));
        QCOMPARE(sent.count(), 3);
        for (const QList<QVariant> &signal : sent)
            QCOMPARE(signal.first().toString(), heard);

        // Back to compact: the next command goes as the program makes it.
        m_pty->clearReceived();
        m_port->setCommandFormat(CommandFormat::Compact);
        QVERIFY(writer.write(command, PortWriter::WhenClosed::Report));
        QTRY_COMPARE(m_pty->received(), heard.toLatin1());
    }

private:
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<QtSerialPort> m_port;
    std::unique_ptr<QSignalSpy> m_notices;
};

SERVO_TEST_MAIN(TestSlowLine)
#include "tst_slowline.moc"
