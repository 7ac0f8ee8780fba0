// SPDX-License-Identifier: MIT
#include "core/linecheck.h"
#include "core/sequenceline.h"

#include <QTest>
#include "support/testmain.h"

class TestLineCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playsAsWritten_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("fine");

        // What the recorder writes is never marked.
        for (const int interval : {100, 999, 4800, 10000}) {
            QTest::addRow("recorded %d", interval)
                << sequenceline::build(interval, {{0, 1500}, {5, 2500}}, QStringLiteral("300")) << true;
            QTest::addRow("recorded pause %d", interval) << sequenceline::build(interval, {}, {}) << true;
        }
        QTest::newRow("empty line") << "" << true;
        QTest::newRow("blanks before the time") << "Time 800  #5P1500S300" << true;
        QTest::newRow("longest interval") << "Time32767 #5P1500S300" << true;

        QTest::newRow("no Time") << "time4800  #5P1500S300" << false;
        QTest::newRow("free text") << "hello" << false;
        QTest::newRow("nine characters") << "Time4800 " << false;
        QTest::newRow("command without #") << "Time4800  5P1500S300" << false;
        QTest::newRow("three digits, two blanks") << "Time480  #5P1500S300" << false;
        QTest::newRow("five digits, two blanks") << "Time10000  #5P1500S300" << false;
        QTest::newRow("letter in the time") << "Time48a0  #5P1500S300" << false;
        QTest::newRow("blank inside the time") << "Time48 00 #5P1500S300" << false;
        QTest::newRow("signed time") << "Time+800  #5P1500S300" << false;
        QTest::newRow("no time") << "Time      #5P1500S300" << false;
        QTest::newRow("zero halts") << "Time0     #5P1500S300" << false;
        QTest::newRow("beyond 16 bits") << "Time40000 #5P1500S300" << false;
        QTest::newRow("tab for a blank") << "Time4800\t #5P1500S300" << false;
        QTest::newRow("no-break space for a blank") << QStringLiteral("Time4800 \u00a0#5P1500S300") << false;
    }
    void playsAsWritten()
    {
        QFETCH(QString, line);
        QFETCH(bool, fine);
        QCOMPARE(linecheck::playsAsWritten(line), fine);
    }

    void describePlayback_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("description");

        QTest::newRow("recorded") << "Time4800  #5P1500S300\r"
                                  << "发送：#5P1500S300\\r\n间隔：4800 毫秒";
        QTest::newRow("pause") << "Time4800  \r"
                               << "发送：\\r\n间隔：4800 毫秒";
        QTest::newRow("ten characters") << "Time4800 \r"
                                        << "发送：无字节\n间隔：4800 毫秒";
        QTest::newRow("three digits, two blanks") << "Time480  #5P1500S300\r"
                                                  << "发送：5P1500S300\\r\n间隔：480 毫秒";
        QTest::newRow("control characters") << "Time4800  #5P1500S300\t\x01\\\r"
                                            << "发送：#5P1500S300\\t\\x01\\\\\\r\n间隔：4800 毫秒";
        QTest::newRow("zero") << "Time0     #5P1500S300\r"
                              << "发送：#5P1500S300\\r\n间隔：0，播放在此行之后停止";
        QTest::newRow("negative") << "Time-5    #5P1500S300\r"
                                  << "发送：#5P1500S300\\r\n间隔：-5 无效，沿用上一行的间隔";
        QTest::newRow("beyond 16 bits") << "Time40000 #5P1500S300\r"
                                        << "发送：无（第 5 到 9 个字符读出的间隔超出范围）\n间隔：沿用上一行的间隔";
        QTest::newRow("short") << "abc\r"
                               << "发送：无（此行不足 10 个字符）\n间隔：沿用上一行的间隔";
        QTest::newRow("empty middle line") << "\r"
                                           << "发送：无（此行不足 10 个字符）\n间隔：沿用上一行的间隔";
    }
    void describePlayback()
    {
        QFETCH(QString, line);
        QFETCH(QString, description);
        QCOMPARE(linecheck::describePlayback(line), description);
    }

    void escaped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("command") << QByteArray("#5P1500S300\r") << "#5P1500S300\\r";
        QTest::newRow("controls") << QByteArray("\t\n\x01\x7f") << "\\t\\n\\x01\\x7F";
        QTest::newRow("backslash") << QByteArray("a\\b") << "a\\\\b";
        QTest::newRow("high bytes") << QByteArray("\xD7\xA2") << "\\xD7\\xA2";
        QTest::newRow("nul") << QByteArray(1, '\0') << "\\x00";
    }
    void escaped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(linecheck::escaped(bytes), text);
    }
};

SERVO_TEST_MAIN(TestLineCheck)
#include "tst_linecheck.moc"
