// SPDX-License-Identifier: MIT
#include "link/qtserialport.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include "sequence/sequenceeditor.h"

#include <QStatusBar>
#include <QTest>
#include "support/testmain.h"

using Options = WindowHarness::Options;

// Connect and Disconnect on the main window.
class TestConnectControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Disconnect during playback stops it first and says so: no "端口未打开"
    // follows at the next line for a disconnect the operator asked for.
    void disconnectStopsPlaybackFirst()
    {
        VirtualTime time;
        Options options;
        options.time = &time;
        WindowHarness h(std::move(options));
        h.connectTo(QStringLiteral("COM1"));
        h.editor().setText(QStringLiteral("Time100   #1P1500S300\rTime100   #2P1500S300\rTime100   #3P1500S300\r"));
        h.button("RunCommand").click();
        time.advance(100 + 50); // the first line is out
        h.button("Command3").click();
        time.advance(1000);
        QVERIFY(!h.window().portIsOpen());
        QCOMPARE(h.fake().writes.size(), 1);
        QVERIFY2(h.notifier.shown.isEmpty(), qPrintable(h.notifier.shown.value(0).text));
        QCOMPARE(h.engine().playback().state(), Playback::State::Stopped);
        QCOMPARE(h.window().statusBar()->currentMessage(), QStringLiteral("已断开连接，播放已停止"));
    }

    void portNumberComesFromTheBoxText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("opened");
        QTest::newRow("COM3") << "COM3" << 3;
        QTest::newRow("COM12") << "COM12" << 12;
        QTest::newRow("typed, not listed") << "COM7" << 7;
        QTest::newRow("listed with device") << "COM33 (ttyUSB0)" << 33;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("letters only") << "COM" << 0;
        QTest::newRow("too short") << "CO" << 0;
        QTest::newRow("beyond 16 bits") << "COM40000" << 0;
    }
    void portNumberComesFromTheBoxText()
    {
        QFETCH(QString, text);
        QFETCH(int, opened);
        WindowHarness h;
        h.connectTo(text);
        const bool connected = opened != 0;
        QCOMPARE(h.fake().openedPorts, connected ? QList<int>{opened} : QList<int>{});
        QCOMPARE(h.window().portIsOpen(), connected);
        QCOMPARE(h.button("Command3").text(), connected ? QStringLiteral("断开") : QStringLiteral("连接"));
        QCOMPARE(h.portBox().isEnabled(), !connected);
        QCOMPARE(h.button("Command4").isEnabled(), !connected);
        QVERIFY(h.notifier.shown.isEmpty());

        h.button("Command3").click();
        QVERIFY(!h.window().portIsOpen());
        QVERIFY(!h.fake().portOpen());
        QCOMPARE(h.button("Command3").text(), QStringLiteral("连接"));
        QVERIFY(h.portBox().isEnabled());
        QVERIFY(h.button("Command4").isEnabled());
        QVERIFY(h.fake().writes.isEmpty());
    }

    void onlyAPortInUseIsReported_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("reported");
        QTest::newRow("in use") << int(SerialResult::PortInUse) << true;
        QTest::newRow("no such port") << int(SerialResult::OpenFailed) << false;
        QTest::newRow("settings refused") << int(SerialResult::SettingsRefused) << false;
    }
    void onlyAPortInUseIsReported()
    {
        QFETCH(int, code);
        QFETCH(bool, reported);
        WindowHarness h;
        h.fake().openFailure = SerialResult::failure(SerialResult::Code(code));
        h.connectTo(QStringLiteral("COM3"));
        QCOMPARE(h.button("Command3").text(), QStringLiteral("连接"));
        QVERIFY(!h.window().portIsOpen());
        const QList<Message> expected = {{Message::Icon::Critical, "错误", "端口已被占用"}};
        QCOMPARE(h.notifier.shown, reported ? expected : QList<Message>());
        // The sliders still send nothing.
        h.slider(0).setValue(2000);
        QVERIFY(h.fake().writes.isEmpty());
    }

    void aPortHeldElsewhereOnTheWire()
    {
        PseudoTerminal pty;
        QtSerialPort holder;
        QVERIFY(holder.setCommPort(pty.portNumber()).ok());
        QVERIFY(holder.openPort().ok());

        Options options;
        options.port = std::make_unique<QtSerialPort>();
        WindowHarness h(std::move(options));
        h.connectTo(pty.portBoxText());
        QCOMPARE(h.notifier.shown, (QList<Message>{{Message::Icon::Critical, "错误", "端口已被占用"}}));
        QCOMPARE(h.button("Command3").text(), QStringLiteral("连接"));

        holder.closeAfterDraining();
        h.button("Command3").click();
        QVERIFY(h.window().portIsOpen());
        h.button("Command3").click();
        QVERIFY(!h.window().portIsOpen());
        QCoreApplication::processEvents();
        QCOMPARE(pty.received(), QByteArray());
        QCOMPARE(h.notifier.shown.size(), 1);
    }

    void aLostPortEndsPlaybackWithOneMessage()
    {
        WindowHarness h;
        h.connectTo(QStringLiteral("COM3"));
        h.child<QLineEdit>(QStringLiteral("Text2")).setText(QStringLiteral("100"));
        for (int line = 0; line < 5; ++line)
            h.button("Command2").click();
        h.button("RunCommand").click();
        QTRY_COMPARE(h.fake().writes.size(), 1);
        h.fake().pullOut();
        QTest::qWait(300);
        QCOMPARE(h.notifier.shown.size(), 1);
        QCOMPARE(h.notifier.shown[0].icon, Message::Icon::Warning);
        QCOMPARE(h.fake().writes.size(), 1);
    }

    void aLostPortReturnsToDisconnected()
    {
        WindowHarness h;
        h.connectTo(QStringLiteral("COM3"));
        h.fake().pullOut();
        QVERIFY(!h.window().portIsOpen());
        QCOMPARE(h.button("Command3").text(), QStringLiteral("连接"));
        QVERIFY(h.portBox().isEnabled());
        QCOMPARE(h.notifier.shown.size(), 1);
        // Connecting again works as before.
        h.button("Command3").click();
        QVERIFY(h.window().portIsOpen());
        QCOMPARE(h.fake().openedPorts, (QList<int>{3, 3}));
    }
};

SERVO_TEST_MAIN(TestConnectControls)
#include "tst_connectcontrols.moc"
