// SPDX-License-Identifier: MIT
#include "common/elidedlabel.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QTest>
#include "support/testmain.h"

// What the status line says about the line an edit made: inserted through the
// Input dialog, typed into the sequence, or added from the channels.
class TestSequenceNote : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesTheLineThatWillNotPlay_data()
    {
        QTest::addColumn<QString>("how");  // insert, type, add
        QTest::addColumn<QString>("text"); // typed; for add the channel ticked, if any
        QTest::addColumn<QString>("note");
        const QString wontPlay = QStringLiteral("第 1 行不会照所写的播放：");
        QTest::newRow("insert recorded form") << "insert"
                                              << "Time1000  #5P1500S300" << QString();
        QTest::newRow("insert one blank short")
            << "insert"
            << "Time1000 #5P1500S300" << wontPlay + "发送 5P1500S300\\r，之后等 1000 毫秒";
        QTest::newRow("insert command alone") << "insert"
                                              << "#5P1500S300" << wontPlay + "发送 0\\r，之后等 500 毫秒";
        QTest::newRow("insert too short") << "insert"
                                          << "Time500" << wontPlay + "不足 10 个字符，不发送，沿用上一行的间隔";
        QTest::newRow("insert interval beyond 16 bits")
            << "insert"
            << "Time99999 #5P1500S300" << wontPlay + "第 5 到 9 个字符读不出间隔，不发送，沿用上一行的间隔";
        QTest::newRow("type zero interval")
            << "type"
            << "Time0     #1P1500S300" << wontPlay + "发送 #1P1500S300\\r，之后播放停止";
        QTest::newRow("type recorded form: the note goes") << "type"
                                                           << "Time800   #1P900S300" << QString();
        QTest::newRow("add nothing ticked") << "add" << QString() << "没有勾选任何通道：添加的行只有间隔时间";
        QTest::newRow("add a channel") << "add"
                                       << "5" << QString();
    }
    void namesTheLineThatWillNotPlay()
    {
        QFETCH(QString, how);
        QFETCH(QString, text);
        QFETCH(QString, note);
        WindowHarness h;
        if (how == u"insert") {
            h.button("Command9").click();
            auto *dialog = h.window().findChild<QWidget *>(QStringLiteral("dialog2"));
            QVERIFY(dialog);
            auto *box = dialog->findChild<QLineEdit *>(QStringLiteral("Text1"));
            QVERIFY(box);
            QCOMPARE(box->placeholderText(), QStringLiteral("例如 Time1000  #5P1500S300"));
            box->setText(text);
            dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
        } else if (how == u"type") {
            QTest::keyClicks(&h.editor(), text);
        } else {
            if (!text.isEmpty())
                h.checkBox(text.toInt()).setChecked(true);
            h.button("Command2").click();
            QVERIFY(h.editor().text().startsWith(QStringLiteral("Time4800  ")));
        }
        const ElidedLabel &shown = h.child<ElidedLabel>(QStringLiteral("sequenceNote"));
        QCOMPARE(shown.text(), note);
        // The whole note is in the tooltip when the line is too short for it.
        QCOMPARE(shown.toolTip(), shown.isElided() ? note : QString());
    }
};

SERVO_TEST_MAIN(TestSequenceNote)
#include "tst_sequencenote.moc"
