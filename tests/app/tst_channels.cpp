// SPDX-License-Identifier: MIT
#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "core/sequenceline.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include "support/testmain.h"

using Options = WindowHarness::Options;

// The channel panel, Reset and the interval controls. The wire is checked at
// the far end of a pseudo-terminal where the bytes matter, on the fake port
// where only the sequence of writes does.
class TestChannels : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_pty = std::make_unique<PseudoTerminal>();
        QVERIFY(m_pty->isValid());
        Options options;
        options.port = std::make_unique<QtSerialPort>();
        m_harness = std::make_unique<WindowHarness>(std::move(options));
    }
    void cleanup()
    {
        m_harness.reset();
        m_pty.reset();
    }

    void firstColumnMovesChannelFive_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("speed 300") << QStringLiteral("300") << QByteArray("#5P2500S300\r");
        QTest::newRow("no speed") << QString() << QByteArray("#5P2500S\r");
        QTest::newRow("speed as typed") << QStringLiteral(" 3a ") << QByteArray("#5P2500S 3a \r");
    }
    void firstColumnMovesChannelFive()
    {
        QFETCH(QString, speed);
        QFETCH(QByteArray, wire);
        WindowHarness &h = *m_harness;
        h.child<QLineEdit>(QStringLiteral("speedinput")).setText(speed);
        h.connectTo(m_pty->portBoxText());
        QVERIFY(h.window().portIsOpen());
        h.checkBox(5).setChecked(true);
        QVERIFY(h.slider(5).isEnabled());
        h.slider(5).setValue(2500);
        QCOMPARE(h.valueBox(5).text(), QStringLiteral("2500"));
        QTRY_COMPARE(m_pty->received(), wire);
    }

    void nothingIsSentWhileDisconnected()
    {
        WindowHarness &h = *m_harness;
        h.checkBox(0).setChecked(true);
        h.slider(0).setValue(2000);
        h.valueBox(1).setText(QStringLiteral("900"));
        h.button("Command1").click();
        QCOMPARE(h.slider(1).value(), 1500);
        QCOMPARE(h.valueBox(0).text(), QStringLiteral("1500"));
        QCoreApplication::processEvents();
        QCOMPARE(m_pty->received(), QByteArray());
        QVERIFY(h.notifier.shown.isEmpty());
    }

    void typingKeystrokeByKeystrokeSendsOnlyValidValues()
    {
        WindowHarness &h = *m_harness;
        h.connectTo(m_pty->portBoxText());
        h.valueBox(5).clear();
        QTest::keyClicks(&h.valueBox(5), QStringLiteral("5000"));
        QCOMPARE(h.valueBox(5).text(), QStringLiteral("5000"));
        QCOMPARE(h.slider(5).value(), 500);
        // The cleared box read 0 (refused); only "500" was a valid pulse width.
        QTRY_COMPARE(m_pty->received(), QByteArray("#5P500S300\r"));
    }

    void resetSendsOnlyChannelsAwayFromHome()
    {
        WindowHarness &h = *m_harness;
        h.slider(17).setValue(600);
        h.slider(3).setValue(2100);
        h.valueBox(8).setText(QStringLiteral("abc"));
        h.connectTo(m_pty->portBoxText());
        h.button("Command1").click();
        QTRY_COMPARE(m_pty->received(), QByteArray("#3P1500S300\r#17P1500S300\r"));
        QCOMPARE(h.valueBox(8).text(), QStringLiteral("1500"));
        QCOMPARE(h.slider(17).value(), 1500);

        // Everything at home already: nothing more goes out.
        h.button("Command1").click();
        QCoreApplication::processEvents();
        QCOMPARE(m_pty->received(), QByteArray("#3P1500S300\r#17P1500S300\r"));
    }

    void aLostDeviceDisconnectsWithOneMessage()
    {
        WindowHarness &h = *m_harness;
        h.connectTo(m_pty->portBoxText());
        QVERIFY(h.window().portIsOpen());
        m_pty->hangUp();
        QTRY_VERIFY(!h.window().portIsOpen());
        QCOMPARE(h.button("Command3").text(), QStringLiteral("连接"));
        QVERIFY(h.portBox().isEnabled());
        QVERIFY(h.button("Command4").isEnabled());
        QTest::qWait(50);
        QCOMPARE(h.notifier.shown.size(), 1);
        // Sliders go quiet again rather than reporting a closed port.
        h.slider(2).setValue(700);
        QCOMPARE(h.notifier.shown.size(), 1);
    }

private:
    std::unique_ptr<PseudoTerminal> m_pty;
    std::unique_ptr<WindowHarness> m_harness;
};

// The same controls where only the order of writes matters.
class TestChannelEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dragSendsEveryPositionAndTheFinalValueOnceMore()
    {
        WindowHarness h;
        h.connectTo(QStringLiteral("COM1"));
        h.checkBox(4).setChecked(true);
        QScrollBar &slider = h.slider(4);
        slider.setSliderDown(true);
        slider.setSliderPosition(1510);
        slider.setSliderPosition(1520);
        slider.setSliderDown(false);
        // A press and release without a move sends nothing.
        slider.setSliderDown(true);
        slider.setSliderDown(false);
        slider.triggerAction(QAbstractSlider::SliderSingleStepAdd);
        slider.triggerAction(QAbstractSlider::SliderPageStepSub);
        QCOMPARE(h.fake().writes,
                 (QByteArrayList{"#4P1510S300\r", "#4P1520S300\r", "#4P1520S300\r", "#4P1521S300\r", "#4P1520S300\r"}));
    }

    void valueBoxReadsLeniently_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("shown");
        QTest::newRow("blank inside") << "1 500x" << 1500 << "1 500x";
        QTest::newRow("half to even up") << "499.5" << 500 << "500";
        QTest::newRow("half to even down") << "2500.5" << 2500 << "2500";
        QTest::newRow("over the range") << "2501.5" << 1500 << "2501.5";
        QTest::newRow("same value stays as typed") << "1500.4" << 1500 << "1500.4";
        QTest::newRow("letters") << "abc" << 1500 << "abc";
        QTest::newRow("beyond 16 bits") << "70000" << 1500 << "70000";
        QTest::newRow("trailing letters") << "2000a" << 2000 << "2000";
    }
    void valueBoxReadsLeniently()
    {
        QFETCH(QString, typed);
        QFETCH(int, slider);
        QFETCH(QString, shown);
        WindowHarness h;
        h.connectTo(QStringLiteral("COM1"));
        // Channel 9's check box is clear: its slider is disabled, yet typing moves it.
        h.valueBox(9).setText(typed);
        QCOMPARE(h.slider(9).value(), slider);
        QCOMPARE(h.valueBox(9).text(), shown);
        QCOMPARE(h.fake().writes.size(), slider == 1500 ? 0 : 1);
        QVERIFY(h.notifier.shown.isEmpty());
    }

    void checkBoxOnlyEnablesItsSlider()
    {
        WindowHarness h;
        h.connectTo(QStringLiteral("COM1"));
        h.checkBox(30).setChecked(true);
        QVERIFY(h.slider(30).isEnabled());
        h.checkBox(30).setChecked(false);
        QVERIFY(!h.slider(30).isEnabled());
        QCOMPARE(h.valueBox(30).text(), QStringLiteral("1500"));
        QVERIFY(h.fake().writes.isEmpty());
    }

    void portWriteFailuresFollowTheRule()
    {
        WindowHarness h;
        h.connectTo(QStringLiteral("COM1"));
        h.fake().writeFailure = SerialResult::failure(SerialResult::WriteFailed);
        h.slider(1).setValue(1600);
        QVERIFY(h.notifier.shown.isEmpty());
        h.fake().writeFailure = SerialResult::failure(SerialResult::PortNotOpen);
        h.slider(1).setValue(1700);
        QCOMPARE(h.notifier.shown, (QList<Message>{{Message::Icon::Critical, "错误", "端口未打开"}}));
        // Nothing is rolled back.
        QCOMPARE(h.valueBox(1).text(), QStringLiteral("1700"));
        QVERIFY(h.window().portIsOpen());
    }

    void intervalControlsMirrorEachOther_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("shown");
        QTest::newRow("below") << "99" << 4800 << "99";
        QTest::newRow("above") << "10001" << 4800 << "10001";
        QTest::newRow("unit") << "4800ms" << 4800 << "4800ms";
        QTest::newRow("empty") << "" << 4800 << "";
        QTest::newRow("lowest") << "100" << 100 << "100";
        QTest::newRow("highest") << "10000" << 10000 << "10000";
        QTest::newRow("fraction") << "150.5" << 150 << "150";
        QTest::newRow("blanks around") << " 2000 " << 2000 << "2000";
    }
    void intervalControlsMirrorEachOther()
    {
        QFETCH(QString, typed);
        QFETCH(int, slider);
        QFETCH(QString, shown);
        WindowHarness h;
        auto &text = h.child<QLineEdit>(QStringLiteral("Text2"));
        auto &scroll = h.child<QScrollBar>(QStringLiteral("HScroll1"));
        text.setText(typed);
        QCOMPARE(scroll.value(), slider);
        QCOMPARE(text.text(), shown);
        scroll.setValue(300);
        QCOMPARE(text.text(), QStringLiteral("300"));
        QVERIFY(h.fake().writes.isEmpty());
    }

    void oneLineBoxesKeepControlsOut_data()
    {
        QTest::addColumn<QString>("box");
        for (const char *box : {"speedinput", "Text1_5", "Text2", "Text3", "dialog2/Text1"})
            QTest::newRow(box) << QString::fromLatin1(box);
    }
    void oneLineBoxesKeepControlsOut()
    {
        QFETCH(QString, box);
        WindowHarness h;
        h.button("Command9").click();
        // "window/box": a box of the window named first (the Insert dialog's Text1).
        const QWidget *window =
            box.contains(u'/') ? h.window().findChild<QWidget *>(box.section(u'/', 0, 0)) : &h.window();
        QVERIFY(window);
        auto *edit = window->findChild<QLineEdit *>(box.section(u'/', -1));
        QVERIFY(edit);
        edit->setText(QStringLiteral("300\r#0P2500S300\t\n"));
        QCOMPARE(edit->text(), QStringLiteral("300#0P2500S300"));
        const QString longText(40'000, u'1');
        edit->setText(longText);
        QCOMPARE(edit->text(), longText);
    }

    void recordedIntervalIsTheOneInForce_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char16_t *typed : {u"5,000", u"1e3", u"\uFF13\uFF10\uFF10\uFF10", u"0.4", u"abc", u"", u"40000",
                                      u"04800", u" 2000 ", u"150.5", u"300", u"10000"})
            QTest::newRow(QString::fromUtf16(typed).toUtf8().constData()) << QString::fromUtf16(typed);
    }
    void recordedIntervalIsTheOneInForce()
    {
        // Whatever the box shows, Add and Modify record the interval the slider
        // holds, and playback waits exactly that long after the line.
        QFETCH(QString, typed);
        WindowHarness h;
        h.checkBox(5).setChecked(true);
        h.child<QLineEdit>(QStringLiteral("Text2")).setText(typed);
        const int inForce = h.child<QScrollBar>(QStringLiteral("HScroll1")).value();
        h.button("Command2").click();
        h.button("Command2").click();
        h.editor().setSelectionStart(0);
        h.editor().setSelectionLength(h.editor().text().indexOf(u'\r') + 1);
        h.button("Command5").click();
        const QStringList lines = h.editor().text().split(u'\r');
        QCOMPARE(lines.size(), 3);
        for (const QString &line : lines.first(2)) {
            const sequenceline::Playback played = sequenceline::readForPlayback(line + u'\r');
            QCOMPARE(played.interval, std::optional<qint16>(inForce));
            QCOMPARE(played.command, std::optional(QStringLiteral("#5P1500S300\r")));
        }
    }

    // A box whose text is not what its slider holds is tinted, its tooltip says
    // what the slider holds and why; the tint goes once they agree again.
    void valueBoxShowsWhenItIsNotWhatIsSent_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("held");
        QTest::addColumn<QString>("why"); // empty: not marked
        QTest::newRow("out of range") << QStringLiteral("3000") << 1500
                                      << QStringLiteral("“3000”不在 500 到 2500 之间");
        QTest::newRow("zero") << QStringLiteral("0") << 1500 << QStringLiteral("“0”不在 500 到 2500 之间");
        QTest::newRow("beyond 16 bits") << QStringLiteral("99999") << 1500
                                        << QStringLiteral("“99999”不在 500 到 2500 之间");
        QTest::newRow("letters") << QStringLiteral("abc") << 1500 << QStringLiteral("“abc”不是数字");
        QTest::newRow("empty") << QString() << 1500 << QStringLiteral("框是空的");
        QTest::newRow("reads as the slider") << QStringLiteral("1500.4") << 1500 << QString();
        QTest::newRow("blanks inside") << QStringLiteral("1 500") << 1500 << QString();
        QTest::newRow("a new pulse") << QStringLiteral("2000") << 2000 << QString();
    }
    void valueBoxShowsWhenItIsNotWhatIsSent()
    {
        QFETCH(QString, typed);
        QFETCH(int, held);
        QFETCH(QString, why);
        WindowHarness h;
        QLineEdit &box = h.valueBox(5);
        const QColor plain = h.valueBox(6).palette().color(QPalette::Base);

        box.setText(typed);
        QCOMPARE(h.slider(5).value(), held);
        QCOMPARE(box.palette().color(QPalette::Base) != plain, !why.isEmpty());
        if (why.isEmpty()) {
            QCOMPARE(box.toolTip(), QStringLiteral("板上通道 #5"));
            return;
        }
        QCOMPARE(box.toolTip(),
                 QStringLiteral("板上通道 #5\n%1，没有发送；滑块仍在 1500，连接时发送的是 1500").arg(why));

        h.slider(5).setValue(1700);
        QCOMPARE(box.text(), QStringLiteral("1700"));
        QCOMPARE(box.palette().color(QPalette::Base), plain);
        QCOMPARE(box.toolTip(), QStringLiteral("板上通道 #5"));
    }

    // The column is found by where its controls stand under the caption, and
    // the channel by what its slider and box send.
    void tooltipsNameTheChannelTheColumnDrives_data()
    {
        QTest::addColumn<QString>("caption");
        for (const char *caption : {"1", "7", "8", "9", "16", "17", "24", "25", "26", "32"})
            QTest::newRow(caption) << QString::fromLatin1(caption);
    }
    void tooltipsNameTheChannelTheColumnDrives()
    {
        QFETCH(QString, caption);
        WindowHarness h;
        QLabel *label = nullptr;
        for (QLabel *candidate : h.window().findChildren<QLabel *>(QRegularExpression(QStringLiteral("^Label1_"))))
            if (candidate->text() == caption)
                label = candidate;
        QVERIFY(label);
        auto &box = underCaption<QLineEdit>(*label);
        auto &slider = underCaption<QScrollBar>(*label);
        auto &check = underCaption<QCheckBox>(*label);

        h.connectTo(QStringLiteral("COM1"));
        check.setChecked(true);
        slider.setValue(2100);
        box.setText(QStringLiteral("900"));
        QCOMPARE(h.fake().writes.size(), 2);
        const QByteArray sent = h.fake().writes.first();
        const QByteArray channel = sent.mid(1, sent.indexOf('P') - 1);
        QCOMPARE(sent, "#" + channel + "P2100S300\r");
        QCOMPARE(h.fake().writes.last(), "#" + channel + "P900S300\r");

        const QString expected = QStringLiteral("板上通道 #") + QString::fromLatin1(channel);
        for (const QWidget *widget : std::initializer_list<const QWidget *>{label, &box, &slider, &check})
            QCOMPARE(widget->toolTip(), expected);
    }

private:
    // The control of type T that stands nearest below `caption` in its column.
    template <typename T>
    static T &underCaption(const QLabel &caption)
    {
        const QRect column = caption.geometry();
        T *found = nullptr;
        for (T *widget : caption.parentWidget()->findChildren<T *>()) {
            const QRect place = widget->geometry();
            const bool inColumn = place.center().x() >= column.left() && place.center().x() <= column.right();
            if (inColumn && place.top() > column.top() && (!found || place.top() < found->geometry().top()))
                found = widget;
        }
        if (!found)
            qFatal("no %s under caption %s", T::staticMetaObject.className(), qPrintable(caption.text()));
        return *found;
    }
};

int main(int argc, char *argv[])
{
    testsupport::prepare();
    QApplication app(argc, argv);
    TestChannels channels;
    TestChannelEvents events;
    return QTest::qExec(&channels, argc, argv) | QTest::qExec(&events, argc, argv);
}
#include "tst_channels.moc"
