// SPDX-License-Identifier: MIT
#include "app/statusline.h"
#include "common/elidedlabel.h"
#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QAction>
#include <QTest>
#include <QTimer>
#include "support/testmain.h"

using Options = WindowHarness::Options;

namespace {

const QByteArray one("#1P1500S300\r"), two("#2P1500S300\r");

QString sequence(int interval)
{
    QString text;
    for (int channel = 1; channel <= 3; ++channel)
        text += QStringLiteral("Time%1 #%2P1500S300\r").arg(interval, -5).arg(channel);
    return text;
}

} // namespace

// Stop and step from the window's keys and menu against the far end of a
// pseudo-terminal, and the status line. Their timing is tested in test time
// with the playback engine.
class TestOperatorControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
        Options options;
        options.port = std::make_unique<QtSerialPort>();
        m_port = options.port.get();
        m_h = std::make_unique<WindowHarness>(std::move(options));
        m_h->connectTo(m_pty->portBoxText());
        QVERIFY(m_h->window().portIsOpen());
    }
    void cleanup()
    {
        m_h.reset();
        m_pty.reset();
    }

    // In test time: the key stops playback between two lines, and nothing more goes out.
    void escStopsAtOnce()
    {
        VirtualTime time;
        Options options;
        options.time = &time;
        WindowHarness h(std::move(options));
        h.connectTo(QStringLiteral("COM1"));
        h.window().show();
        QVERIFY(QTest::qWaitForWindowActive(&h.window()));
        h.editor().setText(sequence(100));
        h.window().findChild<QAction *>(QStringLiteral("runAction"))->trigger();
        time.advance(100 + 100); // two lines out
        QCOMPARE(h.fake().writes, (QByteArrayList{one, two}));
        QTest::keyClick(&h.window(), Qt::Key_Escape);
        time.advance(1000);
        QCOMPARE(h.fake().writes, (QByteArrayList{one, two}));
        QVERIFY(h.notifier.shown.isEmpty());
        QCOMPARE(h.editor().selectedText(), sequence(100).mid(22, 22));
        QCOMPARE(h.child<ElidedLabel>(QStringLiteral("playbackStatus")).text(),
                 QStringLiteral("播放已停止（第 2 行）"));
    }

    void stepSendsExactlyOneLine()
    {
        m_h->editor().setText(sequence(100));
        m_h->editor().setSelectionStart(30);
        action("stepAction").trigger();
        QTRY_COMPARE(m_pty->received(), two);
        QTest::qWait(150); // nothing more arrives
        QCOMPARE(m_pty->received(), two);
        QCOMPARE(m_h->editor().selectionStart(), 44);
        QVERIFY(!m_h->playbackTimer().isActive());
    }

    void connectFailuresAreNamed_data()
    {
        QTest::addColumn<QString>("portBox");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no number") << "COMx" << int(SerialResult::Ok) << "端口号无效";
        QTest::newRow("no device") << "COM3" << int(SerialResult::NoSuchPort) << "找不到设备";
        QTest::newRow("no permission") << "COM3" << int(SerialResult::NoPermission) << "dialout";
        QTest::newRow("settings") << "COM3" << int(SerialResult::SettingsRefused) << "115200,n,8,1";
        QTest::newRow("in use") << "COM3" << int(SerialResult::PortInUse) << "端口已被占用";
    }
    void connectFailuresAreNamed()
    {
        QFETCH(QString, portBox);
        QFETCH(int, code);
        QFETCH(QString, shown);
        WindowHarness h;
        if (code != SerialResult::Ok)
            h.fake().openFailure = SerialResult::failure(SerialResult::Code(code), QStringLiteral("原因"));
        h.connectTo(portBox);
        const QString text = h.child<ElidedLabel>(QStringLiteral("connectionStatus")).text();
        QVERIFY2(text.startsWith(QStringLiteral("未连接 · 连接失败：")) && text.contains(shown), qPrintable(text));

        h.fake().openFailure.reset();
        h.connectTo(QStringLiteral("COM3"));
        QCOMPARE(h.child<ElidedLabel>(QStringLiteral("connectionStatus")).text(),
                 QStringLiteral("已连接 COM3 (ttyS2) 115200,n,8,1"));
    }

    void statusShowsTheSettingsInForce_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("taken");
        QTest::newRow("9600") << "9600,n,8,1" << true;
        QTest::newRow("57600, two stop bits") << "57600,n,8,2" << true;
        QTest::newRow("12345: no serial port is made for it") << "12345,n,8,1" << false;
        QTest::newRow("300") << "300,n,8,1" << true;
        QTest::newRow("refused") << "9600,x,8,1" << false;
    }
    void statusShowsTheSettingsInForce()
    {
        // As a settings dialog left open across Connect does it.
        QFETCH(QString, settings);
        QFETCH(bool, taken);
        QCOMPARE(m_port->setSettings(settings).ok(), taken);
        const QString inForce = taken ? settings : QStringLiteral("115200,n,8,1");
        QCOMPARE(statusText("connectionStatus"),
                 QStringLiteral("已连接 %1 (%2) %3").arg(m_pty->portBoxText(), m_pty->devicePath().mid(5), inForce));
    }

private:
    QAction &action(const char *name)
    {
        auto *found = m_h->window().findChild<QAction *>(QString::fromLatin1(name));
        if (!found)
            qFatal("No action %s", name);
        return *found;
    }
    QString statusText(const char *name) { return m_h->child<ElidedLabel>(QString::fromLatin1(name)).text(); }

    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<WindowHarness> m_h;
    SerialPort *m_port = nullptr; // the window's
};

SERVO_TEST_MAIN(TestOperatorControls)
#include "tst_operatorcontrols.moc"
