// SPDX-License-Identifier: MIT
#include "core/armtwin.h"

#include <QTest>

#include "support/testmain.h"

#include <cmath>

// Bytes written at a time (ms after the start).
struct Write {
    int atMs;
    QByteArray bytes;
};
Q_DECLARE_METATYPE(QList<Write>)

class TestArmTwin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void positions_data()
    {
        QTest::addColumn<QList<Write>>("writes");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("atMs");
        QTest::addColumn<double>("pulse");

        const double top = motion::defaultTopRate;
        QTest::newRow("a ramp at S300, 0.5 s on") << QList<Write>{{0, "#5P2000S300\r"}} << 5 << 500 << 1650.0;
        QTest::newRow("arrived and resting") << QList<Write>{{0, "#5P2000S300\r"}} << 5 << 3000 << 2000.0;
        QTest::newRow("no speed: the servo's top rate")
            << QList<Write>{{0, "#5P2000\r"}} << 5 << 30 << 1500 + top * 0.030;
        QTest::newRow("S0 is no limit") << QList<Write>{{0, "#5P2000S0\r"}} << 5 << 30 << 1500 + top * 0.030;
        QTest::newRow("an empty speed is no limit") << QList<Write>{{0, "#5P2000S\r"}} << 5 << 30 << 1500 + top * 0.030;
        QTest::newRow("T: every channel arrives together")
            << QList<Write>{{0, "#1P2000#2P1600T1000\r"}} << 2 << 500 << 1550.0;
        QTest::newRow("a sequence line's groups, blanks between")
            << QList<Write>{{0, "#0P1500S300 #5P2500S500\r"}} << 5 << 1000 << 2000.0;
        QTest::newRow("a command acts when its line end leaves")
            << QList<Write>{{0, "#5P20"}, {100, "00S300\r"}} << 5 << 600 << 1650.0;
        QTest::newRow("without its line end it does nothing") << QList<Write>{{0, "#5P2000S300"}} << 5 << 500 << 1500.0;
        QTest::newRow("two commands in one write")
            << QList<Write>{{0, "#5P2000S300\r#6P1000S300\r"}} << 6 << 500 << 1350.0;
        QTest::newRow("retargeted from where it is")
            << QList<Write>{{0, "#5P2000S300\r"}, {500, "#5P1500S300\r"}} << 5 << 1000 << 1500.0;
        QTest::newRow("a pulse the board refuses is left out")
            << QList<Write>{{0, "#5P3000S300\r"}} << 5 << 500 << 1500.0;
        QTest::newRow("a channel the board lacks: the rest still moves")
            << QList<Write>{{0, "#40P2000S300#5P2000S300\r"}} << 5 << 500 << 1650.0;
        QTest::newRow("an overlong line is dropped")
            << QList<Write>{{0, "#5P2000S300" + QByteArray(2000, ' ') + "\r"}} << 5 << 500 << 1500.0;
        QTest::newRow("LF ends a command too") << QList<Write>{{0, "#5P2000S300\n"}} << 5 << 500 << 1650.0;
    }
    void positions()
    {
        QFETCH(QList<Write>, writes);
        QFETCH(int, channel);
        QFETCH(int, atMs);
        QFETCH(double, pulse);

        constexpr qint64 start = 7'000'000; // any instant on the monotonic clock
        armtwin::ArmTwin twin;
        for (const Write &write : writes)
            twin.sent(write.bytes, start + write.atMs * 1000);
        const double at = twin.pulse(channel, start + atMs * 1000);
        QVERIFY2(std::abs(at - pulse) < 0.5, qPrintable(QString::number(at)));
    }

    void standsWhereTheBoardWasLeft_data()
    {
        QTest::addColumn<QList<Write>>("writes");
        QTest::addColumn<int>("atMs");
        QTest::addColumn<double>("pulse");
        QTest::newRow("before any command") << QList<Write>{} << 0 << 2000.0;
        QTest::newRow("the first command ramps from there") << QList<Write>{{0, "#5P1700S300\r"}} << 500 << 1850.0;
    }
    void standsWhereTheBoardWasLeft()
    {
        QFETCH(QList<Write>, writes);
        QFETCH(int, atMs);
        QFETCH(double, pulse);

        constexpr qint64 start = 7'000'000;
        armtwin::ArmTwin twin;
        twin.standAt({{5, 2000}, {40, 1000}});
        for (const Write &write : writes)
            twin.sent(write.bytes, start + write.atMs * 1000);
        QCOMPARE(twin.pulse(5, start + atMs * 1000), pulse);
        QVERIFY(!twin.moving(start + 2000 * 1000));
    }

    void movingUntilArrived()
    {
        armtwin::ArmTwin twin;
        QVERIFY(!twin.moving(0));
        twin.sent("#5P2000S500\r", 0);
        QVERIFY(twin.moving(999'000));
        QVERIFY(!twin.moving(1'000'000));
    }
};

SERVO_TEST_MAIN(TestArmTwin)
#include "tst_armtwin.moc"
