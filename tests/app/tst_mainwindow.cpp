// SPDX-License-Identifier: MIT
#include "app/channelpanel.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QDir>
#include <QLabel>
#include <QSet>
#include <QTimer>
#include <QTest>
#include "support/testmain.h"

using Options = WindowHarness::Options;

// Start-up, the port list, cmd.txt and the two ways of ending.
class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startUpLeavesEveryControlAtHome()
    {
        WindowHarness harness;
        for (int k = 0; k < ChannelPanel::channelCount; ++k) {
            QCOMPARE(harness.valueBox(k).text(), QStringLiteral("1500"));
            QCOMPARE(harness.slider(k).value(), 1500);
            QVERIFY(!harness.slider(k).isEnabled());
            QVERIFY(!harness.checkBox(k).isChecked());
        }
        QCOMPARE(harness.child<QLineEdit>(QStringLiteral("Text2")).text(), QStringLiteral("4800"));
        QCOMPARE(harness.child<QScrollBar>(QStringLiteral("HScroll1")).value(), 4800);
        QCOMPARE(harness.child<QLineEdit>(QStringLiteral("speedinput")).text(), QStringLiteral("300"));
        QCOMPARE(harness.button("Command3").text(), QStringLiteral("连接"));
        QVERIFY(!harness.window().portIsOpen());
        QCOMPARE(harness.window().defaultPulse(), 1500);
        QVERIFY(harness.fake().openedPorts.isEmpty());
        QVERIFY(harness.fake().writes.isEmpty());
        QVERIFY(harness.notifier.shown.isEmpty());
        QCOMPARE(harness.editor().lineWrapMode(), QPlainTextEdit::NoWrap);
    }

    void everyColumnStacksOneChannel()
    {
        // Under each caption stand one channel's box, slider and check box, and
        // every channel has exactly one column.
        WindowHarness harness;
        QSet<int> channels;
        for (int column = 0; column < ChannelPanel::channelCount; ++column) {
            auto &label = harness.child<QLabel>(QStringLiteral("Label1_%1").arg(column));
            QCOMPARE(label.text(), QString::number(column + 1));
            const int x = label.geometry().center().x();
            for (int k = 0; k < ChannelPanel::channelCount; ++k) {
                const QWidget &box = harness.valueBox(k);
                if (box.geometry().center().x() != x || box.y() < label.y() || box.y() > label.y() + label.height() * 2)
                    continue;
                channels.insert(k);
                QVERIFY(harness.slider(k).y() > box.y());
                QCOMPARE(harness.slider(k).geometry().center().x(), x);
                QVERIFY(harness.checkBox(k).y() > harness.slider(k).y());
            }
            QCOMPARE(channels.size(), column + 1);
        }
        const QWidget &client = harness.child<QWidget>(QStringLiteral("clientArea"));
        QCOMPARE(client.palette().color(QPalette::Window), QColor(192, 192, 255));
        QCOMPARE(client.size(), QSize(906, 687));
        QVERIFY(harness.button("Command7").isHidden());
        QVERIFY(!harness.button("SaveCommand").isEnabled());
    }

    void captionsAreExact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const std::pair<const char *, const char16_t *> captions[] = {
            {"Command1", u"复位"},   {"Command2", u"添加"},   {"Command3", u"连接"},    {"Command4", u"设置"},
            {"Command5", u"修改"},   {"Command6", u"删除"},   {"Command7", u"设置"},    {"Command8", u"发送"},
            {"Command9", u"插入"},   {"RunCommand", u"运行"}, {"SaveCommand", u"保存"}, {"ExitCommand", u"退出"},
            {"Frame1", u"端口"},     {"Frame2", u"通道控制"}, {"Frame3", u"操作"},      {"Frame4", u"指令库"},
            {"Frame5", u"手输指令"}, {"Label2", u"间隔时间"}, {"Label4", u"速度调节"},
        };
        for (const auto &[name, caption] : captions)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf16(caption);
    }
    void captionsAreExact()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        WindowHarness harness;
        QWidget &widget = harness.child<QWidget>(name);
        QCOMPARE(widget.property(widget.inherits("QGroupBox") ? "title" : "text").toString(), caption);
    }

    void portListShowsTheLastReportedFirst_data()
    {
        QTest::addColumn<QStringList>("reported");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("two") << QStringList{"COM1", "COM3"} << QStringList{"COM3", "COM1"};
        QTest::newRow("none") << QStringList{} << QStringList{};
        QTest::newRow("linux") << QStringList{"COM1 (ttyS0)", "COM33 (ttyUSB0)", "COM65 (ttyACM0)"}
                               << QStringList{"COM65 (ttyACM0)", "COM33 (ttyUSB0)", "COM1 (ttyS0)"};
    }
    void portListShowsTheLastReportedFirst()
    {
        QFETCH(QStringList, reported);
        QFETCH(QStringList, listed);
        Options options;
        options.ports = reported;
        WindowHarness harness(std::move(options));
        QComboBox &box = harness.portBox();
        const auto entries = [&box] {
            QStringList items;
            for (int i = 0; i < box.count(); ++i)
                items << box.itemText(i);
            return items;
        };
        QCOMPARE(entries(), listed);
        QCOMPARE(box.currentText(), listed.value(0));

        // Opening the list lists afresh, replacing a typed name, once each.
        box.setEditText(QStringLiteral("COM9"));
        box.showPopup();
        box.hidePopup();
        box.showPopup();
        box.hidePopup();
        QCOMPARE(entries(), listed);
        QCOMPARE(box.currentText(), listed.value(0));
        QVERIFY(harness.notifier.shown.isEmpty());
    }

    void portListFollowsTheSystem()
    {
        Options options;
        options.ports = {QStringLiteral("COM1"), QStringLiteral("COM2")};
        WindowHarness harness(std::move(options));
        harness.ports = {QStringLiteral("COM2")};
        harness.portBox().showPopup();
        QCOMPARE(harness.portBox().count(), 1);
        QCOMPARE(harness.portBox().currentText(), QStringLiteral("COM2"));
    }

    void sequenceFileLoadsAndSaves_data()
    {
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<QString>("editorText");
        QTest::addColumn<QByteArray>("savedBack");
        QTest::newRow("CR LF") << QByteArray("Time4800  #5P2000S300\r\nTime1000  #0P900S300\r\n")
                               << QStringLiteral("Time4800  #5P2000S300\rTime1000  #0P900S300\r")
                               << QByteArray("Time4800  #5P2000S300\r\nTime1000  #0P900S300\r\n");
        // Closed unchanged: the file is left as it was, line ends and all.
        QTest::newRow("LF") << QByteArray("a\nb\n") << QStringLiteral("a\rb\r") << QByteArray("a\nb\n");
        QTest::newRow("CR") << QByteArray("a\rb") << QStringLiteral("a\rb") << QByteArray("a\rb");
        QTest::newRow("GBK") << QByteArray("\xD6\xD0\xCE\xC4\r\n") << QStringLiteral("中文\r")
                             << QByteArray("\xD6\xD0\xCE\xC4\r\n");
        QTest::newRow("UTF-8") << QByteArray("中文\r\n") << QStringLiteral("中文\r") << QByteArray("中文\r\n");
        QTest::newRow("empty") << QByteArray() << QString() << QByteArray();
    }
    void sequenceFileLoadsAndSaves()
    {
        QFETCH(QByteArray, onDisk);
        QFETCH(QString, editorText);
        QFETCH(QByteArray, savedBack);
        Options options;
        options.sequenceFile = onDisk;
        WindowHarness harness(std::move(options));
        QCOMPARE(harness.editor().text(), editorText);
        harness.window().close();
        QCOMPARE(harness.sequenceFileBytes(), savedBack);
        QVERIFY(harness.notifier.shown.isEmpty());
    }

    void closingSavesTheEditAndTheNextStartShowsIt()
    {
        WindowHarness harness;
        QVERIFY(!QFile::exists(harness.sequencePath()));
        QVERIFY(harness.editor().text().isEmpty());
        harness.checkBox(5).setChecked(true);
        harness.button("Command2").click();
        harness.button("Command2").click();
        const QString text = harness.editor().text();
        QCOMPARE(text, QStringLiteral("Time4800  #5P1500S300\rTime4800  #5P1500S300\r"));
        harness.restart();
        QCOMPARE(harness.editor().text(), text);
        QCOMPARE(harness.sequenceFileBytes(), QByteArray("Time4800  #5P1500S300\r\nTime4800  #5P1500S300\r\n"));
    }

    void exitLeavesTheFileAsItWas()
    {
        Options options;
        options.sequenceFile = QByteArray("Time4800  #5P2000S300\r\n");
        WindowHarness harness(std::move(options));
        harness.button("Command2").click();
        harness.button("ExitCommand").click();
        QVERIFY(!harness.window().isVisible());
        QCOMPARE(harness.sequenceFileBytes(), QByteArray("Time4800  #5P2000S300\r\n"));
    }

    void anUnreadableFileIsReportedAndNeverOverwritten()
    {
        WindowHarness probe;
        // A folder in the file's place: the first window, untouched, closes
        // without writing; the next one cannot read it.
        QVERIFY(QDir().mkdir(probe.sequencePath()));
        probe.restart();
        QCOMPARE(probe.notifier.shown.size(), 1);
        const Message &report = probe.notifier.shown[0];
        QCOMPARE(report.icon, Message::Icon::Warning);
        QVERIFY(report.text.contains(probe.sequencePath()));
        QVERIFY(probe.editor().text().isEmpty());

        // Untouched editor: closes quietly, the folder stays.
        probe.window().close();
        QVERIFY(!probe.window().isVisible());
        QCOMPARE(probe.notifier.shown.size(), 1);
        QVERIFY(QFileInfo(probe.sequencePath()).isDir());

        // Something typed: the operator is told it cannot be saved there.
        probe.restart();
        probe.button("Command2").click();
        probe.notifier.confirmAnswer = false;
        probe.window().show();
        probe.window().close();
        QVERIFY(probe.window().isVisible());
        QVERIFY(QFileInfo(probe.sequencePath()).isDir());
    }

    void aFailedSaveLetsTheOperatorKeepTheWindow()
    {
        WindowHarness harness;
        harness.window().show();
        QVERIFY(QDir().mkdir(harness.sequencePath()));
        harness.button("Command2").click();

        harness.notifier.confirmAnswer = false;
        harness.window().close();
        QVERIFY(harness.window().isVisible());
        QCOMPARE(harness.notifier.shown.size(), 1);
        QVERIFY(harness.notifier.shown[0].text.contains(harness.sequencePath()));

        harness.notifier.confirmAnswer = true;
        harness.window().close();
        QVERIFY(!harness.window().isVisible());
    }

    void closingStopsPlaybackBeforeAnyQuestion()
    {
        WindowHarness harness;
        harness.connectTo(QStringLiteral("COM1"));
        harness.child<QLineEdit>(QStringLiteral("Text2")).setText(QStringLiteral("100"));
        for (int line = 0; line < 5; ++line)
            harness.button("Command2").click();
        // cmd.txt cannot be written: closing asks whether to close anyway.
        QFile::remove(harness.sequencePath());
        QVERIFY(QDir().mkdir(harness.sequencePath()));
        harness.button("RunCommand").click();
        QTRY_VERIFY(!harness.fake().writes.isEmpty());

        auto *timer = &harness.playbackTimer();
        QVERIFY(timer);
        QList<bool> tickingWhileAsked;
        harness.notifier.onShow = [&](const Message &) { tickingWhileAsked.append(timer->isActive()); };
        harness.notifier.confirmAnswer = false;
        harness.window().close();
        QCOMPARE(tickingWhileAsked, QList<bool>{false});
        // Kept open, and still nothing more goes out.
        const qsizetype sent = harness.fake().writes.size();
        QTest::qWait(250);
        QCOMPARE(harness.fake().writes.size(), sent);
        harness.notifier.confirmAnswer = true;
    }

    void closingTheWindowClosesItsDialogs()
    {
        WindowHarness harness;
        harness.window().show();
        harness.button("Command4").click();
        harness.button("Command9").click();
        QPointer<QWidget> settings = harness.window().findChild<QWidget *>(QStringLiteral("Dialog"));
        QPointer<QWidget> input = harness.window().findChild<QWidget *>(QStringLiteral("dialog2"));
        QVERIFY(settings && settings->isVisible());
        QVERIFY(input && input->isVisible());
        harness.window().close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!settings);
        QVERIFY(!input);
    }
};

SERVO_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
