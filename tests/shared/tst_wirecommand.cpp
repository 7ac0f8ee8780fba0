// SPDX-License-Identifier: MIT
#include "shared/wirecommand.h"

#include <QTest>

#include "support/commandtable.h"
#include "support/testmain.h"

class TestWireCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void read_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QList<motion::Target>>("targets");
        QTest::addColumn<std::optional<int>>("timeMs");
        for (const commandtable::Row &row : commandtable::rows())
            QTest::newRow(row.name) << row.command << row.targets << row.timeMs;
    }

    // Bytes and text read alike: what a board carries out, and the time.
    void read()
    {
        QFETCH(QByteArray, command);
        const wirecommand::Command fromBytes = wirecommand::read(QByteArrayView(command));
        QTEST(fromBytes.targets(), "targets");
        QTEST(fromBytes.timeMs, "timeMs");
        const wirecommand::Command fromText = wirecommand::read(QString::fromLatin1(command));
        QTEST(fromText.targets(), "targets");
        QTEST(fromText.timeMs, "timeMs");
    }

    // Where each group's pulse stands, for the clamp to replace it.
    void positions_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<QStringList>("pulses");
        QTest::newRow("two groups") << "#5P2000S300#16P700" << QList{0, 1} << QStringList{"2000", "700"};
        QTest::newRow("a broken group still counts its #")
            << "#P5#1P2501 #2P0900" << QList{1, 2} << QStringList{"2501", "0900"};
        QTest::newRow("none") << "Time4800  " << QList<int>{} << QStringList{};
    }

    void positions()
    {
        QFETCH(QString, command);
        QFETCH(QList<int>, indexes);
        QFETCH(QStringList, pulses);
        const wirecommand::Command read = wirecommand::read(command);
        QCOMPARE(read.groups.size(), indexes.size());
        for (qsizetype i = 0; i < read.groups.size(); ++i) {
            const wirecommand::Group &group = read.groups[i];
            QCOMPARE(group.index, indexes[i]);
            QCOMPARE(command.mid(group.pulseDigits.at, group.pulseDigits.count), pulses[i]);
        }
    }

    // What the program writes reads back as written.
    void writeReadsBack_data()
    {
        QTest::addColumn<QList<motion::Target>>("targets");
        QTest::addColumn<std::optional<int>>("timeMs");
        QTest::addColumn<QString>("written");
        QTest::newRow("eased step") << QList<motion::Target>{{5, 1623, {}}, {6, 1540, {}}} << std::optional(20)
                                    << "#5P1623#6P1540T20\r";
        QTest::newRow("hold") << QList<motion::Target>{{5, 1700, {}}, {6, 1420, {}}} << std::optional<int>()
                              << "#5P1700#6P1420\r";
        QTest::newRow("speeds") << QList<motion::Target>{{0, 500, 300}, {31, 2500, 1}} << std::optional<int>()
                                << "#0P500S300#31P2500S1\r";
    }

    void writeReadsBack()
    {
        QFETCH(QList<motion::Target>, targets);
        QFETCH(std::optional<int>, timeMs);
        QFETCH(QString, written);
        QCOMPARE(wirecommand::write(targets, timeMs), written);
        const wirecommand::Command back = wirecommand::read(QStringView(written).chopped(1));
        QCOMPARE(back.targets(), targets);
        QCOMPARE(back.timeMs, timeMs);
    }
};

SERVO_TEST_MAIN(TestWireCommand)
#include "tst_wirecommand.moc"
