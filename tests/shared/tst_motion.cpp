// SPDX-License-Identifier: MIT
#include "shared/motion.h"

#include <QTest>

#include "support/testmain.h"

#include <cmath>

using motion::Target;

// One command: its targets and its T<time>.
struct Command {
    QList<Target> targets;
    std::optional<int> timeMs;
};
Q_DECLARE_METATYPE(Command)

class TestMotion : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One command at time 0 from rest (1500), or two commands, the second at
    // `retargetMs`; the channel's position is checked at `atMs`.
    void positions_data()
    {
        QTest::addColumn<Command>("first");
        QTest::addColumn<Command>("second"); // none when it has no targets
        QTest::addColumn<int>("retargetMs");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("atMs");
        QTest::addColumn<double>("pulse");

        const double top = motion::defaultTopRate;
        const Command none;
        QTest::newRow("at rest before any command") << Command{{{1, 2000, {}}}, {}} << none << 0 << 7 << 50 << 1500.0;
        QTest::newRow("speed: halfway") << Command{{{1, 2000, 500}}, {}} << none << 0 << 1 << 500 << 1750.0;
        QTest::newRow("speed: arrived") << Command{{{1, 2000, 500}}, {}} << none << 0 << 1 << 1000 << 2000.0;
        QTest::newRow("speed above the top rate is capped")
            << Command{{{1, 2000, 100000}}, {}} << none << 0 << 1 << 30 << 1500.0 + top * 0.030;
        QTest::newRow("no speed: top rate")
            << Command{{{1, 500, {}}}, {}} << none << 0 << 1 << 60 << 1500.0 - top * 0.060;
        QTest::newRow("top rate is 60 degrees in 0.1 s")
            << Command{{{1, 2500, {}}}, {}} << none << 0 << 1 << 100 << 1500.0 + 60 * motion::pulsePerDegree;
        QTest::newRow("time: halfway") << Command{{{1, 2000, {}}}, 1000} << none << 0 << 1 << 500 << 1750.0;
        QTest::newRow("time: channels arrive together")
            << Command{{{1, 2000, {}}, {2, 1600, {}}}, 1000} << none << 0 << 2 << 500 << 1550.0;
        QTest::newRow("time shorter than the speed allows: the speed wins")
            << Command{{{1, 2000, 250}, {2, 1600, {}}}, 1000} << none << 0 << 2 << 1000 << 1550.0;
        QTest::newRow("retarget mid-move from where it is")
            << Command{{{1, 2000, 500}}, {}} << Command{{{1, 1500, 500}}, {}} << 500 << 1 << 750 << 1625.0;
        QTest::newRow("retarget mid-move, arrived back")
            << Command{{{1, 2000, 500}}, {}} << Command{{{1, 1500, 500}}, {}} << 500 << 1 << 1000 << 1500.0;
        QTest::newRow("other channels keep moving")
            << Command{{{1, 2000, 500}}, {}} << Command{{{2, 1000, 500}}, {}} << 500 << 1 << 750 << 1875.0;
    }
    void positions()
    {
        QFETCH(Command, first);
        QFETCH(Command, second);
        QFETCH(int, retargetMs);
        QFETCH(int, channel);
        QFETCH(int, atMs);
        QFETCH(double, pulse);

        constexpr qint64 start = 5'000'000; // any instant on the board's clock
        motion::MotionModel model;
        model.apply(first.targets, first.timeMs, start);
        if (!second.targets.isEmpty())
            model.apply(second.targets, second.timeMs, start + retargetMs * 1000);
        const double at = model.position(channel, start + atMs * 1000);
        QVERIFY2(std::abs(at - pulse) < 0.5, qPrintable(QString::number(at)));
    }

    // When one channel arrives: one command at time 0 from rest, or two, the
    // second at `retargetMs`.
    void arrivals_data()
    {
        QTest::addColumn<Command>("first");
        QTest::addColumn<Command>("second");
        QTest::addColumn<int>("retargetMs");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("arrivalMs");

        const Command none;
        QTest::newRow("its own speed") << Command{{{1, 2000, 500}, {2, 1600, 1000}}, {}} << none << 0 << 2 << 100;
        QTest::newRow("T: with the slowest")
            << Command{{{1, 2000, 250}, {2, 1600, {}}}, 1000} << none << 0 << 2 << 2000;
        QTest::newRow("retargeted: from where it was then")
            << Command{{{1, 2000, 500}}, {}} << Command{{{1, 1500, 500}}, {}} << 500 << 1 << 1000;
        QTest::newRow("another channel's command leaves it alone")
            << Command{{{1, 2000, 500}}, {}} << Command{{{2, 1000, 500}}, {}} << 500 << 1 << 1000;
    }
    void arrivals()
    {
        QFETCH(Command, first);
        QFETCH(Command, second);
        QFETCH(int, retargetMs);
        QFETCH(int, channel);
        QFETCH(int, arrivalMs);

        constexpr qint64 start = 5'000'000;
        motion::MotionModel model;
        model.apply(first.targets, first.timeMs, start);
        if (!second.targets.isEmpty())
            model.apply(second.targets, second.timeMs, start + retargetMs * 1000);
        QCOMPARE(model.arrivalUs(channel), start + arrivalMs * 1000);
    }
};

SERVO_TEST_MAIN(TestMotion)
#include "tst_motion.moc"
