// SPDX-License-Identifier: MIT
#include "shared/commandlimits.h"

#include <QTest>

#include "support/testmain.h"

using commandlimits::Clamp;

class TestCommandLimits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Channel 5 is limited to 900..2100, channel 6 to 1000..2500; the rest are not.
    void groupsAreHeldToTheirLimits_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QList<Clamp>>("clamps");
        QTest::newRow("within") << "#5P1500S100\r"
                                << "#5P1500S100\r" << QList<Clamp>{};
        QTest::newRow("above") << "#5P3000S100\r"
                               << "#5P2100S100\r" << QList<Clamp>{{0, 5, 3000, 2100}};
        QTest::newRow("below, no speed") << "#5P500T100"
                                         << "#5P900T100" << QList<Clamp>{{0, 5, 500, 900}};
        QTest::newRow("unlimited channel kept") << "#4P9999S1 #0P1"
                                                << "#4P9999S1 #0P1" << QList<Clamp>{};
        QTest::newRow("second group, blanks kept")
            << "Time #4P3000S5  #6P700S5 junk"
            << "Time #4P3000S5  #6P1000S5 junk" << QList<Clamp>{{1, 6, 700, 1000}};
        QTest::newRow("leading zeros") << "#5P00800"
                                       << "#5P900" << QList<Clamp>{{0, 5, 800, 900}};
        QTest::newRow("huge number saturates") << "#5P99999999999999S1"
                                               << "#5P2100S1" << QList<Clamp>{{0, 5, 1'000'000'000, 2100}};
        QTest::newRow("both, shorter then longer")
            << "#5P99999#6P5S0"
            << "#5P2100#6P1000S0" << QList<Clamp>{{0, 5, 99999, 2100}, {1, 6, 5, 1000}};
        QTest::newRow("no pulse, no channel") << "#5S100#P3000#5P"
                                              << "#5S100#P3000#5P" << QList<Clamp>{};
        QTest::newRow("channel 40") << "#40P3000"
                                    << "#40P3000" << QList<Clamp>{};
    }
    void groupsAreHeldToTheirLimits()
    {
        QFETCH(QString, command);
        QFETCH(QString, sent);
        QFETCH(QList<Clamp>, clamps);
        ChannelSetup setup;
        setup.channel(5) = {900, 2100, 1500, {}, true, {}};
        setup.channel(6) = {1000, 2500, 1500, {}, true, {}};
        // An unlimited channel whose range was narrowed elsewhere is still not held.
        setup.channel(4) = {1000, 2000, 1500, {}, false, {}};
        const commandlimits::Result result = commandlimits::clamp(command, setup);
        QCOMPARE(result.text, sent);
        QCOMPARE(result.clamps, clamps);
    }
};

SERVO_TEST_MAIN(TestCommandLimits)
#include "tst_commandlimits.moc"
