// SPDX-License-Identifier: MIT
#include "link/qtserialport.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QLabel>
#include <QTest>
#include "support/testmain.h"

using Options = WindowHarness::Options;

// The port settings dialog, opened from the main window's Settings button.
class TestPortSettingsDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        Options options;
        options.ports = {QStringLiteral("COM1"), QStringLiteral("COM2")};
        m_h = std::make_unique<WindowHarness>(std::move(options));
        m_h->window().show();
    }
    void cleanup() { m_h.reset(); }

    void firstOpeningShowsTheCurrentSettings()
    {
        QWidget &dialog = open();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("端口设置"));
        QCOMPARE(texts(), (QStringList{"COM2", "115200", "8", "1", "None", "None"}));
        QCOMPARE(items(1), (QStringList{"COM2", "COM1"}));
        QCOMPARE(items(2), (QStringList{"2400", "9600", "38400", "115200"}));
        QCOMPARE(items(3), (QStringList{"5", "6", "7", "8"}));
        QCOMPARE(items(4), (QStringList{"1", "2"}));
        QCOMPARE(items(5), (QStringList{"None", "Odd", "Even", "Mark", "Space"}));
        QCOMPARE(items(6), (QStringList{"Hardware", "Software", "None", "Custom"}));
        const QStringList captions = {"端口", "比特率", "数据位", "停止位", "奇偶校验", "流控制"};
        for (int row = 1; row <= 6; ++row)
            QCOMPARE(dialog.findChild<QLabel *>(QStringLiteral("Label%1").arg(row))->text(), captions[row - 1]);

        // Tab order: OK, Cancel, then the lists top to bottom, then the command format.
        QWidget *next = &child<QWidget>("OKButton");
        const QStringList order = {"CancelButton", "Combo1", "Combo2", "Combo3",
                                   "Combo4",       "Combo5", "Combo6", "commandFormat"};
        for (const QString &name : order) {
            next = next->nextInFocusChain();
            while (next->focusProxy() || !(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next->objectName(), name);
        }
    }

    void okWritesTheSettingsAndThePort()
    {
        open();
        combo(1).setCurrentIndex(combo(1).findText(QStringLiteral("COM1")));
        combo(2).setCurrentIndex(1);
        combo(3).setCurrentIndex(2);
        combo(4).setCurrentIndex(1);
        combo(5).setCurrentIndex(2);
        child<QPushButton>("OKButton").click();
        QCOMPARE(m_h->fake().settings(), QStringLiteral("9600,n,7,2"));
        QCOMPARE(m_h->portBox().currentText(), QStringLiteral("COM1"));
        QTRY_VERIFY(!dialog());

        open();
        QCOMPARE(texts().mid(1), (QStringList{"9600", "7", "2", "None", "None"}));
        QCOMPARE(texts().first(), QStringLiteral("COM1"));
        child<QPushButton>("CancelButton").click();

        // The next Connect opens the chosen port.
        m_h->button("Command3").click();
        QCOMPARE(m_h->fake().openedPorts, QList<int>{1});
    }

    void typedTextGoesOutUnchanged()
    {
        open();
        combo(1).setEditText(QStringLiteral("COM4"));
        combo(2).setEditText(QStringLiteral("57600"));
        child<QPushButton>("OKButton").click();
        QCOMPARE(m_h->fake().settings(), QStringLiteral("57600,n,8,1"));
        QCOMPARE(m_h->portBox().currentText(), QStringLiteral("COM4"));
        m_h->button("Command3").click();
        QCOMPARE(m_h->fake().openedPorts, QList<int>{4});
    }

    void cancelAndCloseApplyNothing_data()
    {
        QTest::addColumn<bool>("viaCancel");
        QTest::newRow("cancel") << true;
        QTest::newRow("title bar") << false;
    }
    void cancelAndCloseApplyNothing()
    {
        QFETCH(bool, viaCancel);
        QWidget &dialog = open();
        for (int row = 1; row <= 6; ++row)
            combo(row).setEditText(QStringLiteral("9"));
        if (viaCancel)
            child<QPushButton>("CancelButton").click();
        else
            dialog.close();
        QCOMPARE(m_h->fake().settings(), QStringLiteral("115200,n,8,1"));
        QCOMPARE(m_h->portBox().currentText(), QStringLiteral("COM2"));
        QTRY_VERIFY(!this->dialog());
    }

    void keysConfirmAndCancel_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("settings");
        QTest::newRow("Enter is OK") << int(Qt::Key_Return) << "9600,n,8,1";
        QTest::newRow("Esc is Cancel") << int(Qt::Key_Escape) << "115200,n,8,1";
    }
    void keysConfirmAndCancel()
    {
        QFETCH(int, key);
        QFETCH(QString, settings);
        open();
        combo(2).setEditText(QStringLiteral("9600"));
        QTest::keyClick(combo(2).lineEdit(), Qt::Key(key));
        QCOMPARE(m_h->fake().settings(), settings);
        QTRY_VERIFY(!dialog());
    }

    void aDialogLeftOpenCannotChangeTheOpenPort()
    {
        open();
        combo(1).setEditText(QStringLiteral("COM7"));
        m_h->button("Command3").click();
        QVERIFY(m_h->window().portIsOpen());
        QCOMPARE(m_h->fake().openedPorts, QList<int>{2});
        QVERIFY(!combo(1).isEnabled());
        QCOMPARE(combo(1).currentText(), QStringLiteral("COM2"));

        // Its line settings still reach the open port; the port choice does not.
        combo(2).setEditText(QStringLiteral("9600"));
        child<QPushButton>("OKButton").click();
        QCOMPARE(m_h->fake().settings(), QStringLiteral("9600,n,8,1"));
        QCOMPARE(m_h->portBox().currentText(), QStringLiteral("COM2"));
        QTRY_VERIFY(!dialog());

        // After Disconnect the row is usable again.
        m_h->button("Command3").click();
        open();
        m_h->button("Command3").click();
        m_h->button("Command3").click();
        QVERIFY(combo(1).isEnabled());
        combo(1).setEditText(QStringLiteral("COM1"));
        child<QPushButton>("OKButton").click();
        QCOMPARE(m_h->portBox().currentText(), QStringLiteral("COM1"));
    }

    void aSecondClickBringsTheSameDialog()
    {
        QWidget &first = open();
        combo(2).setEditText(QStringLiteral("2400"));
        m_h->ports = {QStringLiteral("COM9")};
        m_h->button("Command4").click();
        QCOMPARE(dialog(), &first);
        QCOMPARE(combo(2).currentText(), QStringLiteral("2400"));
        // Opening its list does not search again.
        combo(1).showPopup();
        combo(1).hidePopup();
        QCOMPARE(items(1), (QStringList{"COM2", "COM1"}));
        QCOMPARE(m_h->window().findChildren<QWidget *>(QStringLiteral("Dialog")).size(), 1);
    }

    void aRefusedSettingIsReportedAndKeepsTheOldOne_data()
    {
        QTest::addColumn<QString>("baudRate");
        QTest::addColumn<QString>("dataBits");
        QTest::addColumn<QString>("deviceRefuses"); // the device's reason; empty: the device takes it
        QTest::addColumn<QString>("reasonHas");
        // Rates no serial port is made for: refused before they reach the
        // device, with the rates it can use.
        QTest::newRow("1 baud") << "1"
                                << "8" << QString() << "115200";
        QTest::newRow("12345 baud") << "12345"
                                    << "8" << QString() << "57600";
        QTest::newRow("not a number") << "9600"
                                      << "eight" << QString() << "eight";
        QTest::newRow("refused by the device") << "38400"
                                               << "8"
                                               << "设备不支持"
                                               << "设备不支持";
    }
    void aRefusedSettingIsReportedAndKeepsTheOldOne()
    {
        QFETCH(QString, baudRate);
        QFETCH(QString, dataBits);
        QFETCH(QString, deviceRefuses);
        QFETCH(QString, reasonHas);
        open();
        if (!deviceRefuses.isEmpty())
            m_h->fake().refuseSettings = deviceRefuses;
        combo(1).setEditText(QStringLiteral("COM1"));
        combo(2).setEditText(baudRate);
        combo(3).setEditText(dataBits);
        comboByName("commandFormat").setCurrentIndex(1);
        child<QPushButton>("OKButton").click();
        QCOMPARE(m_h->notifier.shown.size(), 1);
        QVERIFY2(m_h->notifier.shown[0].text.contains(reasonHas), qPrintable(m_h->notifier.shown[0].text));
        // Nothing of the choice is taken; the dialog stays for a correction.
        QCOMPARE(m_h->fake().settings(), QStringLiteral("115200,n,8,1"));
        QCOMPARE(m_h->fake().commandFormat(), CommandFormat::Compact);
        QCOMPARE(m_h->portBox().currentText(), QStringLiteral("COM2"));
        QVERIFY(dialog() && dialog()->isVisible());
    }

    void theCommandFormatIsKeptWithTheLineSettings()
    {
        QWidget &opened = open();
        QComboBox &format = comboByName("commandFormat");
        QCOMPARE(format.currentText(), QStringLiteral("紧凑"));
        QCOMPARE(format.count(), 2);
        QCOMPARE(format.itemText(1), QStringLiteral("带空格"));
        // Below the six rows of the line, outside their frame.
        QVERIFY(!opened.findChild<QWidget *>(QStringLiteral("Frame1"))->isAncestorOf(&format));
        QVERIFY(format.mapTo(&opened, QPoint()).y() > combo(6).mapTo(&opened, QPoint(0, combo(6).height())).y());

        format.setCurrentIndex(1);
        child<QPushButton>("OKButton").click();
        QCOMPARE(m_h->fake().commandFormat(), CommandFormat::Spaced);
        QTRY_VERIFY(!dialog());
        open();
        QCOMPARE(comboByName("commandFormat").currentText(), QStringLiteral("带空格"));
        // Cancel keeps it.
        comboByName("commandFormat").setCurrentIndex(0);
        child<QPushButton>("CancelButton").click();
        QCOMPARE(m_h->fake().commandFormat(), CommandFormat::Spaced);
    }

    void settingsReachTheDevice()
    {
        PseudoTerminal pty;
        Options options;
        options.port = std::make_unique<QtSerialPort>();
        WindowHarness h(std::move(options));
        h.button("Command4").click();
        auto *dialog = h.window().findChild<QWidget *>(QStringLiteral("Dialog"));
        dialog->findChild<QComboBox *>(QStringLiteral("Combo1"))->setEditText(pty.portBoxText());
        dialog->findChild<QComboBox *>(QStringLiteral("Combo2"))->setEditText(QStringLiteral("9600"));
        dialog->findChild<QComboBox *>(QStringLiteral("Combo4"))->setEditText(QStringLiteral("2"));
        dialog->findChild<QComboBox *>(QStringLiteral("commandFormat"))->setCurrentIndex(1);
        dialog->findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
        h.button("Command3").click();
        QVERIFY(h.window().portIsOpen());
        const termios line = pty.lineSettings();
        QCOMPARE(cfgetospeed(&line), speed_t(B9600));
        QCOMPARE(line.c_cflag & CSTOPB, tcflag_t(CSTOPB));
        QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
        // A move and a typed command go out with blanks between their fields.
        h.checkBox(5).setChecked(true);
        h.slider(5).setValue(1600);
        h.child<QLineEdit>(QStringLiteral("Text3")).setText(QStringLiteral("#0P900#3P1600T1500"));
        h.button("Command8").click();
        QTRY_COMPARE(pty.received(), QByteArray("#5 P1600 S300\r#0 P900 #3 P1600 T1500\r"));
    }

private:
    QWidget *dialog() { return m_h->window().findChild<QWidget *>(QStringLiteral("Dialog")); }
    QWidget &open()
    {
        m_h->button("Command4").click();
        QWidget *opened = dialog();
        if (!opened || !opened->isVisible())
            qFatal("The Settings button did not show the port settings dialog");
        return *opened;
    }
    template <typename T>
    T &child(const char *name)
    {
        return *dialog()->findChild<T *>(QString::fromLatin1(name));
    }
    QComboBox &combo(int row) { return comboByName(QStringLiteral("Combo%1").arg(row)); }
    QComboBox &comboByName(const QString &name)
    {
        auto *found = dialog()->findChild<QComboBox *>(name);
        if (!found)
            qFatal("The port settings dialog has no list %s", qPrintable(name));
        return *found;
    }
    QStringList texts()
    {
        QStringList shown;
        for (int row = 1; row <= 6; ++row)
            shown << combo(row).currentText();
        return shown;
    }
    QStringList items(int row)
    {
        QStringList listed;
        for (int i = 0; i < combo(row).count(); ++i)
            listed << combo(row).itemText(i);
        return listed;
    }

    std::unique_ptr<WindowHarness> m_h;
};

SERVO_TEST_MAIN(TestPortSettingsDialog)
#include "tst_portsettingsdialog.moc"
