// SPDX-License-Identifier: MIT
#include "board/boardcommand.h"
#include "board/pacedreader.h"
#include "board/tracewriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include "support/commandtable.h"
#include "support/testmain.h"

using boardcommand::Command;
using boardcommand::Flag;
using boardcommand::Flags;
using boardcommand::Group;

Q_DECLARE_METATYPE(QList<Group>)
Q_DECLARE_METATYPE(std::optional<int>)

namespace {

Group g(int channel, int pulse, std::optional<int> speed = std::nullopt)
{
    return {channel, pulse, speed};
}

// Every line the splitter reports for `bytes` fed in pieces of `piece` bytes.
QList<Command> split(const QByteArray &bytes, qsizetype piece)
{
    boardcommand::LineSplitter splitter;
    QList<Command> lines;
    for (qsizetype at = 0; at < bytes.size(); at += piece) {
        splitter.feed(bytes.constData() + at, std::min(piece, bytes.size() - at),
                      [&](Command command) { lines.append(std::move(command)); });
    }
    return lines;
}

} // namespace

class TestBoardLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QList<Group>>("groups");
        QTest::addColumn<std::optional<int>>("time");
        QTest::addColumn<int>("flags");

        const std::optional<int> none;
        QTest::newRow("move command") << QByteArray("#5P2000S300") << QList{g(5, 2000, 300)} << none << 0;
        QTest::newRow("no speed") << QByteArray("#0P1500") << QList{g(0, 1500)} << none << 0;
        QTest::newRow("sequence line's groups")
            << QByteArray("#0P1500S300#5P2500S300") << QList{g(0, 1500, 300), g(5, 2500, 300)} << none << 0;
        QTest::newRow("time for the whole move")
            << QByteArray("#1P900#2P2100T1000") << QList{g(1, 900), g(2, 2100)} << std::optional(1000) << 0;
        QTest::newRow("blanks between groups")
            << QByteArray("#1P900 #2P2100\t T500") << QList{g(1, 900), g(2, 2100)} << std::optional(500) << 0;
        QTest::newRow("limits") << QByteArray("#0P500#31P2500") << QList{g(0, 500), g(31, 2500)} << none << 0;
        QTest::newRow("S0 is no limit") << QByteArray("#3P1000S0") << QList{g(3, 1000)} << none << 0;
        QTest::newRow("empty speed: no limit, flagged")
            << QByteArray("#5P2500S") << QList{g(5, 2500)} << none << int(Flag::EmptySpeed);
        QTest::newRow("unknown channel, the rest still moves")
            << QByteArray("#32P1500#4P1600") << QList{g(4, 1600)} << none << int(Flag::UnknownChannel);
        QTest::newRow("# without a number")
            << QByteArray("#P1500") << QList<Group>{} << none << int(Flag::UnknownChannel);
        QTest::newRow("pulse below range")
            << QByteArray("#1P499") << QList<Group>{} << none << int(Flag::PulseOutOfRange);
        QTest::newRow("pulse above range")
            << QByteArray("#1P2501S100") << QList<Group>{} << none << int(Flag::PulseOutOfRange);
        QTest::newRow("huge numbers saturate") << QByteArray("#99999999999999P99999999999999") << QList<Group>{} << none
                                               << int(Flag::UnknownChannel | Flag::PulseOutOfRange);
        QTest::newRow("group without P") << QByteArray("#5S300#6P1000") << QList{g(6, 1000)} << none
                                         << int(Flag::MissingPulse | Flag::Junk);
        QTest::newRow("P without digits") << QByteArray("#5P") << QList<Group>{} << none << int(Flag::MissingPulse);
        QTest::newRow("T without digits")
            << QByteArray("#5P1000T") << QList{g(5, 1000)} << none << int(Flag::EmptyTime);
        QTest::newRow("junk") << QByteArray("hello #5P1000") << QList{g(5, 1000)} << none << int(Flag::Junk);
        QTest::newRow("lower case is junk")
            << QByteArray("#5p1000") << QList<Group>{} << none << int(Flag::MissingPulse | Flag::Junk);
        QTest::newRow("NUL") << QByteArray("#5P1000\0", 8) << QList{g(5, 1000)} << none << int(Flag::NulByte);
        QTest::newRow("non-ASCII (GBK speed text)")
            << QByteArray("#0P1500S\xCB\xD9") << QList{g(0, 1500)} << none << int(Flag::EmptySpeed | Flag::NonAscii);
    }
    void parse()
    {
        QFETCH(QByteArray, line);
        const Command command = boardcommand::parse(line);
        QCOMPARE(command.raw, line);
        QTEST(command.groups, "groups");
        QTEST(command.timeMs, "time");
        QTEST(int(command.flags), "flags");
    }

    // The console reads every command of the shared table as this board does.
    void sharedTable_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<Group>>("groups");
        QTest::addColumn<std::optional<int>>("time");
        for (const commandtable::Row &row : commandtable::rows())
            QTest::newRow(row.name) << row.command << row.targets << row.timeMs;
    }
    void sharedTable()
    {
        QFETCH(QByteArray, command);
        const Command parsed = boardcommand::parse(command);
        QTEST(parsed.groups, "groups");
        QTEST(parsed.timeMs, "time");
    }

    void lines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("raw");
        QTest::addColumn<QList<int>>("flags");

        QTest::newRow("CR") << QByteArray("#1P1000\r#2P2000\r") << QList<QByteArray>{"#1P1000", "#2P2000"}
                            << QList{0, 0};
        QTest::newRow("LF and CR LF") << QByteArray("#1P1000\n#2P2000\r\n") << QList<QByteArray>{"#1P1000", "#2P2000"}
                                      << QList{0, 0};
        QTest::newRow("empty lines are nothing")
            << QByteArray("\r\r\n\n#1P1000\r") << QList<QByteArray>{"#1P1000"} << QList{0};
        QTest::newRow("no end yet") << QByteArray("#1P1000") << QList<QByteArray>{} << QList<int>{};
        const QByteArray longest(boardcommand::maxLineLength, ' ');
        QTest::newRow("longest line kept") << longest + "\r" << QList<QByteArray>{longest} << QList{0};
        QTest::newRow("overlong line dropped at once, the next one read")
            << longest + "xyz" + QByteArray(100000, 'x') + "\r#1P1000\r" << QList<QByteArray>{longest + 'x', "#1P1000"}
            << QList{int(Flag::Overlong), 0};
    }
    void lines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, raw);
        QFETCH(QList<int>, flags);
        // Byte by byte, and all at once.
        for (const qsizetype piece : {qsizetype(1), qMax(bytes.size(), qsizetype(1))}) {
            const QList<Command> found = split(bytes, piece);
            QCOMPARE(found.size(), raw.size());
            for (qsizetype i = 0; i < found.size(); ++i) {
                QCOMPARE(found[i].raw, raw[i]);
                QCOMPARE(int(found[i].flags), flags[i]);
            }
        }
    }

    void splitterMemoryIsBounded()
    {
        boardcommand::LineSplitter splitter;
        const QByteArray junk(4096, 'x');
        int reported = 0;
        for (int i = 0; i < 256; ++i) {
            splitter.feed(junk.constData(), junk.size(), [&](const Command &) { ++reported; });
            QVERIFY(splitter.pending() <= boardcommand::maxLineLength);
        }
        QCOMPARE(reported, 1);
    }

    // Reading as fast as allowed for `seconds` at a baud rate and frame size.
    void pacing_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("bitsPerCharacter");
        QTest::addColumn<int>("bytesPerSecond");

        QTest::newRow("115200 8N1") << 115200 << 10 << 11520;
        QTest::newRow("9600 8N2") << 9600 << 11 << 872;
        QTest::newRow("9600 7E1") << 9600 << 10 << 960;
    }
    void pacing()
    {
        QFETCH(int, baud);
        QFETCH(int, bitsPerCharacter);
        QFETCH(int, bytesPerSecond);
        const double rate = LineRate{baud, bitsPerCharacter}.bytesPerSecond();
        LinePacer pacer;
        constexpr qint64 start = 1'000'000'000;
        // Bytes seen waiting on an idle line: nothing is carried yet.
        pacer.notice(start);
        QCOMPARE(pacer.carried(start, rate), 0);
        // Taken as fast as the line carries them, looked at every 0.625 ms.
        qint64 taken = 0;
        for (qint64 now = start; now <= start + 1'000'000; now += 625) {
            const qsizetype carried = pacer.carried(now, rate);
            pacer.take(carried, rate);
            taken += carried;
        }
        QVERIFY2(taken >= bytesPerSecond - 1 && taken <= bytesPerSecond, qPrintable(QString::number(taken)));
        // After a pause the line banks nothing: new bytes take their full time.
        const qint64 later = start + 60'000'000;
        pacer.notice(later);
        QCOMPARE(pacer.carried(later, rate), 0);
        const qint64 twelveBytes = pacer.carriedAt(12, rate);
        QVERIFY(std::abs(double(twelveBytes - later) - 12e6 / rate) <= 1);
        QCOMPARE(pacer.carried(twelveBytes, rate), 12);
    }

    void traceLine()
    {
        const QByteArray line =
            TraceWriter::line(boardcommand::parse(QByteArray("#5P2500S#40P1000#1P900S200T700\0", 31)), 123456);
        QJsonParseError error;
        const QJsonDocument json = QJsonDocument::fromJson(line, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(!line.contains('\n'));
        const QJsonObject expected =
            QJsonDocument::fromJson("{\"arrival_us\":123456, \"raw\":\"#5P2500S#40P1000#1P900S200T700\\u0000\","
                                    " \"groups\":[{\"channel\":5,\"pulse\":2500,\"speed\":null},{\"channel\":1,"
                                    "\"pulse\":900,\"speed\":200}],"
                                    " \"time_ms\":700, \"flags\":[\"unknown-channel\",\"empty-speed\",\"nul\"]}")
                .object();
        QCOMPARE(json.object(), expected);
    }
};

SERVO_TEST_MAIN(TestBoardLogic)
#include "tst_boardlogic.moc"
