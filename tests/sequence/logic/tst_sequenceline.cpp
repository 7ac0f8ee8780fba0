#include "sequence/sequenceline.h"

#include <QTest>

using sequenceline::Channel;

class TestSequenceLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moveCommand_data();
    void moveCommand();
    void build();
    void timePrefix_data();
    void timePrefix();
    void readForPlayback_data();
    void readForPlayback();
    void playbackReadsWhatWasWritten_data();
    void playbackReadsWhatWasWritten();
};

void TestSequenceLine::moveCommand_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("pulse");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("with speed") << 5 << 2500 << "300" << "#5P2500S300\r";
    QTest::newRow("empty speed") << 5 << 2500 << "" << "#5P2500S\r";
    QTest::newRow("two-digit channel") << 31 << 500 << "1000" << "#31P500S1000\r";
}

void TestSequenceLine::moveCommand()
{
    QFETCH(int, index);
    QFETCH(int, pulse);
    QFETCH(QString, speed);
    QFETCH(QString, expected);

    QCOMPARE(sequenceline::moveCommand({index, pulse}, speed), expected);
    // A sequence line holds the same group, only without the CR.
    QCOMPARE(sequenceline::channelGroup({index, pulse}, speed) + u'\r', expected);
}

void TestSequenceLine::build()
{
    const QString line = sequenceline::build("4800", 4800, {{0, 1500}, {5, 2500}}, "300");
    QCOMPARE(line, QStringLiteral("Time4800  #0P1500S300#5P2500S300"));
    QCOMPARE(line.size(), 32);
    QCOMPARE(sequenceline::build("500", 500, {}, "300"), QStringLiteral("Time500   "));
}

void TestSequenceLine::timePrefix_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three digits") << "500" << 500 << "Time500   ";
    QTest::newRow("five digits") << "10000" << 10000 << "Time10000 ";
    // Does not fit the field, so the slider's value is written instead.
    QTest::newRow("too long") << "4800ms" << 4800 << "Time4800  ";
    QTest::newRow("empty") << "" << 100 << "Time      ";
}

void TestSequenceLine::timePrefix()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(QString, expected);
    QCOMPARE(sequenceline::timePrefix(text, value), expected);
}

void TestSequenceLine::readForPlayback_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("hasInterval");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("hasCommand");
    QTest::addColumn<QString>("command");

    QTest::newRow("one channel") << "Time4800  #0P1500S300\r" << true << 4800 << true << "#0P1500S300\r";
    QTest::newRow("no channel") << "Time4800  \r" << true << 4800 << true << "\r";
    QTest::newRow("short") << "short\r" << true << 0 << false << "";
    QTest::newRow("nine characters") << "Time100  " << true << 100 << false << "";
    QTest::newRow("ten characters") << "Time100   " << true << 100 << true << "";
    QTest::newRow("no number") << "Timeabcde #1P1500S300\r" << true << 0 << true << "#1P1500S300\r";
    QTest::newRow("outside 16 bits") << "Time99999 #1P1500S300\r" << false << 0 << true << "#1P1500S300\r";
    QTest::newRow("negative") << "Time-100  #1P1500S300\r" << true << -100 << true << "#1P1500S300\r";
    // Only characters 5 to 9 are the interval; character 10 is not read.
    QTest::newRow("digit in character 10") << "Time12345678\r" << true << 12345 << true << "78\r";
}

void TestSequenceLine::readForPlayback()
{
    QFETCH(QString, line);
    QFETCH(bool, hasInterval);
    QFETCH(int, interval);
    QFETCH(bool, hasCommand);
    QFETCH(QString, command);

    const sequenceline::Playback playback = sequenceline::readForPlayback(line);
    QCOMPARE(playback.interval.has_value(), hasInterval);
    if (hasInterval)
        QCOMPARE(*playback.interval, interval);
    QCOMPARE(playback.command.has_value(), hasCommand);
    if (hasCommand)
        QCOMPARE(*playback.command, command);
}

void TestSequenceLine::playbackReadsWhatWasWritten_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("time");
    QTest::addColumn<QString>("speed");

    for (int time : {100, 999, 1000, 4800, 9999, 10000}) {
        QTest::addRow("%d", time) << QString::number(time) << time << "300";
        QTest::addRow("%d, no speed", time) << QString::number(time) << time << "";
    }
    QTest::newRow("text too long for the field") << "4800ms" << 4800 << "300";
}

void TestSequenceLine::playbackReadsWhatWasWritten()
{
    // The writer and playback must agree on every interval the slider can give.
    QFETCH(QString, text);
    QFETCH(int, time);
    QFETCH(QString, speed);

    const QList<Channel> ticked{{0, 500}, {15, 1500}, {31, 2500}};
    QString groups;
    for (const Channel &channel : ticked)
        groups += sequenceline::channelGroup(channel, speed);

    const auto playback =
        sequenceline::readForPlayback(sequenceline::build(text, time, ticked, speed) + u'\r');
    QCOMPARE(playback.interval, std::optional<qint16>(time));
    QCOMPARE(playback.command, std::optional(groups + u'\r'));
}

QTEST_APPLESS_MAIN(TestSequenceLine)
#include "tst_sequenceline.moc"
