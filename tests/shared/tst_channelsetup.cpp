// SPDX-License-Identifier: MIT
#include "shared/channelsetup.h"

#include <QTest>

#include "support/testmain.h"

class TestChannelSetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every board channel sits under exactly one column, and columnOf finds it.
    void columnsDriveEveryChannelOnce()
    {
        const ChannelSetup setup;
        QList<bool> seen(ChannelSetup::count, false);
        for (int column = 0; column < ChannelSetup::count; ++column) {
            const int channel = setup.channelAt(column);
            QVERIFY(channel >= 0 && channel < ChannelSetup::count);
            QVERIFY2(!seen[channel], qPrintable(QString::number(channel)));
            seen[channel] = true;
            QCOMPARE(setup.columnOf(channel), column);
        }
        QCOMPARE(setup.columnOf(ChannelSetup::count), -1);
    }

    void acceptsItsRange_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("pulse");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("as it comes, low edge") << 500 << 2500 << 500 << true;
        QTest::newRow("as it comes, below") << 500 << 2500 << 499 << false;
        QTest::newRow("as it comes, high edge") << 500 << 2500 << 2500 << true;
        QTest::newRow("as it comes, above") << 500 << 2500 << 2501 << false;
        QTest::newRow("narrowed, inside") << 900 << 2100 << 1500 << true;
        QTest::newRow("narrowed, outside") << 900 << 2100 << 800 << false;
    }
    void acceptsItsRange()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, pulse);
        QFETCH(bool, accepted);
        ChannelSetup setup;
        setup.channel(5).minimumPulse = minimum;
        setup.channel(5).maximumPulse = maximum;
        QCOMPARE(setup.accepts(5, pulse), accepted);
        // Another channel keeps its own range.
        QCOMPARE(setup.accepts(6, pulse), pulse >= 500 && pulse <= 2500);
    }
};

SERVO_TEST_MAIN(TestChannelSetup)
#include "tst_channelsetup.moc"
