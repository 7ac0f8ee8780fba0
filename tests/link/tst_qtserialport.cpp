// SPDX-License-Identifier: MIT
#include "link/qtserialport.h"
#include "support/pseudoterminal.h"

#include <QSignalSpy>
#include <QTest>
#include "support/testmain.h"

// The real serial port object against a pseudo-terminal whose far end the test
// reads.
class TestQtSerialPort : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
    }
    void cleanup() { m_pty.reset(); }

    void writesArriveExactlyInOneWrite()
    {
        QtSerialPort port;
        QVERIFY(port.setCommPort(m_pty->portNumber()).ok());
        QVERIFY(port.openPort().ok());
        QVERIFY(port.output(QStringLiteral("#5P2500S300\r")).ok());
        // Handed to the driver at once: no event loop needed.
        QCOMPARE(m_pty->received(), QByteArray("#5P2500S300\r"));
        QVERIFY(port.output(QStringLiteral("#0P1500S速\r")).ok());
        QCOMPARE(m_pty->received(), QByteArray("#5P2500S300\r#0P1500S\xCB\xD9\r"));
    }

    void openAndCloseWriteNothing()
    {
        QtSerialPort port;
        QVERIFY(port.setCommPort(m_pty->portNumber()).ok());
        QVERIFY(port.openPort().ok());
        QVERIFY(port.portOpen());
        port.closeAfterDraining();
        QVERIFY(!port.portOpen());
        QCoreApplication::processEvents();
        QCOMPARE(m_pty->received(), QByteArray());
    }

    void failuresCarryTheirCodes()
    {
        QtSerialPort holder;
        QVERIFY(holder.setCommPort(m_pty->portNumber()).ok());
        QVERIFY(holder.openPort().ok());

        QtSerialPort second;
        QVERIFY(second.setCommPort(m_pty->portNumber()).ok());
        QCOMPARE(second.openPort().code(), SerialResult::PortInUse);
        QVERIFY(!second.portOpen());
        QCOMPARE(second.output(QStringLiteral("x")).code(), SerialResult::PortNotOpen);

        QCOMPARE(second.setCommPort(0).code(), SerialResult::InvalidPortNumber);
        QVERIFY(second.setCommPort(999).ok());
        QCOMPARE(second.openPort().code(), SerialResult::InvalidPortNumber);
        // A number that names a device which is not there.
        QVERIFY(second.setCommPort(32767).ok());
        QCOMPARE(second.openPort().code(), SerialResult::NoSuchPort);
        QCOMPARE(m_pty->received(), QByteArray());
    }

    void settingsReachTheLine()
    {
        QtSerialPort port;
        QCOMPARE(port.settings(), QStringLiteral("115200,n,8,1"));
        QVERIFY(port.setCommPort(m_pty->portNumber()).ok());
        QVERIFY(port.openPort().ok());
        termios line = m_pty->lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B115200));
        QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(0));

        // Confirmed while open: applies at once.
        const SerialResult applied = port.setSettings(QStringLiteral("9600,n,8,2"));
        QVERIFY2(applied.ok(), qPrintable(applied.reason()));
        line = m_pty->lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
        QCOMPARE(line.c_cflag & PARENB, tcflag_t(0));

        // Refused by the device (a pseudo-terminal has 8 data bits only) after
        // the baud rate was already set: everything goes back, with a reason.
        QCOMPARE(port.setSettings(QStringLiteral("19200,n,7,1")).code(), SerialResult::SettingsRefused);
        // termios cannot send 1.5 stop bits: refused, not quietly sent as 1.
        QCOMPARE(port.setSettings(QStringLiteral("9600,n,8,1.5")).code(), SerialResult::SettingsRefused);
        // Refused before reaching the device.
        const SerialResult refused = port.setSettings(QStringLiteral("fast,n,8,1"));
        QCOMPARE(refused.code(), SerialResult::SettingsRefused);
        QVERIFY(!refused.reason().isEmpty());
        QCOMPARE(port.settings(), QStringLiteral("9600,n,8,2"));
        line = m_pty->lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    }

    void settingsAppliedAtOpen()
    {
        QtSerialPort port;
        QVERIFY(port.setSettings(QStringLiteral("38400,n,8,2")).ok());
        QVERIFY(port.setCommPort(m_pty->portNumber()).ok());
        QVERIFY(port.openPort().ok());
        const termios line = m_pty->lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B38400));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    }

    void vanishedFarEndClosesThePortOnce()
    {
        QtSerialPort port;
        QSignalSpy lost(&port, &SerialPort::lost);
        QVERIFY(port.setCommPort(m_pty->portNumber()).ok());
        QVERIFY(port.openPort().ok());
        m_pty->hangUp();
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!port.portOpen());
        QTest::qWait(50);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(port.output(QStringLiteral("x")).code(), SerialResult::PortNotOpen);
    }

private:
    std::unique_ptr<PseudoTerminal> m_pty;
};

SERVO_TEST_MAIN(TestQtSerialPort)
#include "tst_qtserialport.moc"
