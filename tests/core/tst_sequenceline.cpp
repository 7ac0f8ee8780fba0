// SPDX-License-Identifier: MIT
#include "core/sequenceline.h"

#include <QTest>
#include "support/testmain.h"

using sequenceline::Channel;

class TestSequenceLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moveCommand()
    {
        QCOMPARE(sequenceline::moveCommand({5, 2500}, "300"), QStringLiteral("#5P2500S300\r"));
        QCOMPARE(sequenceline::moveCommand({5, 2500}, ""), QStringLiteral("#5P2500S\r"));
        // A sequence line holds the same group, only without the CR.
        QCOMPARE(sequenceline::channelGroup({31, 500}, "10") + u'\r', sequenceline::moveCommand({31, 500}, "10"));
    }

    void build()
    {
        const QString line = sequenceline::build(4800, {{0, 1500}, {5, 2500}}, "300");
        QCOMPARE(line, QStringLiteral("Time4800  #0P1500S300#5P2500S300"));
        QCOMPARE(line.size(), 32);
    }

    void timePrefix_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QString>("expected");

        QTest::newRow("three digits") << 500 << "Time500   ";
        QTest::newRow("four digits") << 4800 << "Time4800  ";
        QTest::newRow("five digits") << 10000 << "Time10000 ";
    }
    void timePrefix()
    {
        QFETCH(int, interval);
        QFETCH(QString, expected);
        QCOMPARE(sequenceline::timePrefix(interval), expected);
    }

    void readForPlayback_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("interval");
        QTest::addColumn<QVariant>("command");

        QTest::newRow("one channel") << "Time4800  #0P1500S300\r" << QVariant(4800) << QVariant("#0P1500S300\r");
        QTest::newRow("no channel") << "Time4800  \r" << QVariant(4800) << QVariant("\r");
        QTest::newRow("short") << "short\r" << QVariant(0) << QVariant();
        QTest::newRow("nine characters") << "Time100  " << QVariant(100) << QVariant();
        // A last line typed without its line break still ends its command.
        QTest::newRow("ten characters, no CR") << "Time100   " << QVariant(100) << QVariant("\r");
        QTest::newRow("last line without CR") << "Time4800  #2P2000S300" << QVariant(4800) << QVariant("#2P2000S300\r");
        QTest::newRow("CR inside, none at the end")
            << "Time4800  #2P2000S300\r#5" << QVariant(4800) << QVariant("#2P2000S300\r#5\r");
        QTest::newRow("no number") << "Timeabcde #1P1500S300\r" << QVariant(0) << QVariant("#1P1500S300\r");
        QTest::newRow("outside 16 bits") << "Time99999 #1P1500S300\r" << QVariant() << QVariant("#1P1500S300\r");
        QTest::newRow("negative") << "Time-100  #1P1500S300\r" << QVariant(-100) << QVariant("#1P1500S300\r");
        // Character 10 is not part of the interval.
        QTest::newRow("digit in character 10") << "Time12345678\r" << QVariant(12345) << QVariant("78\r");
    }
    void readForPlayback()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, interval);
        QFETCH(QVariant, command);

        const sequenceline::Playback playback = sequenceline::readForPlayback(line);
        QCOMPARE(playback.interval ? QVariant(int(*playback.interval)) : QVariant(), interval);
        QCOMPARE(playback.command ? QVariant(*playback.command) : QVariant(), command);
    }

    void playbackReadsWhatWasWritten_data()
    {
        QTest::addColumn<int>("slider");
        QTest::addColumn<QString>("speed");

        for (int time : {100, 999, 1000, 4800, 9999, 10000}) {
            QTest::addRow("%d", time) << time << "300";
            QTest::addRow("%d, no speed", time) << time << "";
        }
    }
    void playbackReadsWhatWasWritten()
    {
        // Every interval the slider can give must come back out of the line.
        QFETCH(int, slider);
        QFETCH(QString, speed);

        const QList<Channel> ticked{{0, 500}, {15, 1500}, {31, 2500}};
        QString groups;
        for (const Channel &channel : ticked)
            groups += sequenceline::channelGroup(channel, speed);

        const auto playback = sequenceline::readForPlayback(sequenceline::build(slider, ticked, speed) + u'\r');
        QCOMPARE(playback.interval, std::optional<qint16>(slider));
        QCOMPARE(playback.command, std::optional(groups + u'\r'));
    }
};

SERVO_TEST_MAIN(TestSequenceLine)
#include "tst_sequenceline.moc"
