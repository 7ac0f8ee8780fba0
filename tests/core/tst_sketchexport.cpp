// SPDX-License-Identifier: MIT
#include "core/sketchexport.h"

#include "core/sequenceline.h"
#include "shared/armgeometry.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

using sketchexport::Refusal;

Q_DECLARE_METATYPE(Refusal)
Q_DECLARE_METATYPE(sketchexport::Pins)

namespace {

// A sequence line as the editor writes it: "Time", the interval's field, the command.
QString line(int interval, const QString &command)
{
    return sequenceline::timePrefix(interval) + command + u'\r';
}

// The arm's six channels, each on its servo-uno pin (the profile's export pins).
sketchexport::Pins armPins()
{
    return sketchexport::pinsFor(ArmProfile().exportPins, {1, 2, 3, 4, 5, 6});
}

// A step as the table reads: its wait ("keep": the period in force; "stop"),
// each group ("#<channel>P<pulse>[S<speed>]", "~" before a replaced one), its T.
QString describe(const sketchexport::Step &step, const QList<int> &channels)
{
    QStringList words{step.stops         ? QStringLiteral("stop")
                      : step.waitMs == 0 ? QStringLiteral("keep")
                                         : QString::number(step.waitMs)};
    for (const sketchexport::Group &group : step.groups) {
        words.append(QStringLiteral("%1#%2P%3")
                         .arg(group.replaced ? QStringLiteral("~") : QString())
                         .arg(channels[group.slot])
                         .arg(group.pulse)
                     + (group.speed ? QStringLiteral("S%1").arg(group.speed) : QString()));
    }
    if (step.timeMs)
        words.append(QStringLiteral("T%1").arg(*step.timeMs));
    return words.join(u' ');
}

sketchexport::Plan planned(const sketchexport::Input &input)
{
    std::variant<sketchexport::Plan, Refusal> plan = sketchexport::plan(input);
    if (!std::holds_alternative<sketchexport::Plan>(plan))
        qFatal("the plan was refused: %s", qPrintable(sketchexport::describe(std::get<Refusal>(plan))));
    return std::get<sketchexport::Plan>(plan);
}

// `count` lines of the six arm channels, each at its own speed and pulse.
QString sixJointLines(int count)
{
    QString text;
    for (int n = 0; n < count; ++n) {
        QString command;
        for (int channel = 1; channel <= 6; ++channel)
            command += QStringLiteral("#%1P%2S300").arg(channel).arg(1000 + (n * 7 + channel * 50) % 1000);
        text += line(200, command);
    }
    return text;
}

} // namespace

class TestSketchExport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each line as playback sends it, then what follows it. Channel 5 is
    // limited to 900..2100.
    void linesPlayAsPlaybackSendsThem_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QStringList>("steps");
        QTest::newRow("intervals, speeds and T as written")
            << line(500, "#5P2000S300#6P1000S300") + line(800, "#5P1000#6P2000T1200")
            << QStringList{"500 #5P2000S300 #6P1000S300", "800 #5P1000 #6P2000 T1200"};
        QTest::newRow("the limits held, only the pulse changes")
            << line(400, "#5P2500S300#6P2500S300") + line(400, "#5P600")
            << QStringList{"400 #5P2100S300 #6P2500S300", "400 #5P900"};
        QTest::newRow("S0 and S without digits: no limit; a very high speed, the same as the top rate")
            << line(300, "#5P1200S0#6P1300S#4P1400S99999999") << QStringList{"300 #5P1200 #6P1300 #4P1400S65535"};
        QTest::newRow("what the board leaves out is left out")
            << line(300, "#40P1000#6P3000#4P1200 junk#3P") << QStringList{"300 #4P1200"};
        QTest::newRow("an interval past 16 bits: nothing sent, the period kept")
            << line(300, "#4P1200") + QStringLiteral("Time40000 #4P1800\r") + line(300, "#4P1500")
            << QStringList{"300 #4P1200", "keep", "300 #4P1500"};
        QTest::newRow("a negative interval: sent, the period kept")
            << QStringLiteral("Time-300  #4P1800\r") + line(300, "#4P1500")
            << QStringList{"keep #4P1800", "300 #4P1500"};
        QTest::newRow("an interval of 0 stops playback after its line")
            << line(300, "#4P1200") + line(0, "#4P1800") + line(300, "#4P1500")
            << QStringList{"300 #4P1200", "stop #4P1800", "300 #4P1500"};
        QTest::newRow("a line too short for a command, an empty line: nothing sent, the period kept")
            << line(300, "#4P1200") + QStringLiteral("Time500\r\r") + line(300, "#4P1500")
            << QStringList{"300 #4P1200", "keep", "keep", "300 #4P1500"};
        QTest::newRow("LF and CR LF end lines too; the last line needs no end")
            << QStringLiteral("Time300   #4P1200\nTime400   #4P1300\r\nTime500   #4P1400")
            << QStringList{"300 #4P1200", "400 #4P1300", "500 #4P1400"};
        QTest::newRow("a channel named twice: the later wins, without T nothing else")
            << line(300, "#4P1000S100#4P2000S200") << QStringList{"300 #4P2000S200"};
        QTest::newRow("with T the earlier one still holds the line to its time")
            << line(300, "#4P1000S100#6P1800#4P2000T500") << QStringList{"300 ~#4P1000S100 #6P1800 #4P2000 T500"};
    }
    void linesPlayAsPlaybackSendsThem()
    {
        QFETCH(QString, sequence);
        QFETCH(QStringList, steps);
        sketchexport::Input input;
        input.sequence = sequence;
        input.setup.channel(5) = {900, 2100, 1500, {}, true, {}};
        input.pins = armPins();
        const sketchexport::Plan plan = planned(input);
        QStringList read;
        for (const sketchexport::Step &step : plan.steps)
            read.append(describe(step, plan.channels));
        QCOMPARE(read, steps);
    }

    // At power-up every servo holds its home, then the glide takes those the
    // first line names to where it sends them.
    void glidesIntoTheFirstLine_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<int>("glideMs");
        QTest::addColumn<QString>("glide");
        QTest::addColumn<QList<int>>("homes"); // of the channels the sequence moves, ascending
        QTest::newRow("the first line's pose, held to the limits, in the glide's time")
            << line(500, "#6P1000S300#5P2500S300") + line(500, "#4P1700") << 1500 << "keep #5P2100 #6P1000 T1500"
            << QList<int>{1500, 1300, 1500};
        QTest::newRow("a servo named twice glides to where the line leaves it")
            << line(500, "#4P1000#4P1200T100") << 800 << "keep #4P1200 T800" << QList<int>{1500};
        QTest::newRow("a first line that sends nothing: nothing glides")
            << QStringLiteral("Time40000 #4P1800\r") + line(500, "#4P1700") << 1500 << "keep T1500" << QList<int>{1500};
    }
    void glidesIntoTheFirstLine()
    {
        QFETCH(QString, sequence);
        QFETCH(int, glideMs);
        QFETCH(QString, glide);
        QFETCH(QList<int>, homes);
        sketchexport::Input input;
        input.sequence = sequence;
        input.glideMs = glideMs;
        input.setup.channel(5) = {900, 2100, 1300, {}, true, {}};
        input.pins = armPins();
        const sketchexport::Plan plan = planned(input);
        QCOMPARE(describe(plan.glide, plan.channels), glide);
        QCOMPARE(plan.homes, homes);
    }

    // A few bytes per group a line names: the table's size follows what the
    // lines hold, and the program's size follows the table.
    void linesTakeAFewBytesPerGroup_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<qint64>("bytes");
        // 3 for the line (its group count and its wait), 2 per group, 2 for a
        // speed of a group's own, 4 for a speed the line's groups share, 6 for
        // a T, 2 for a replaced group's mark.
        QTest::newRow("six groups at one speed")
            << "#1P1000S300#2P1100S300#3P1200S300#4P1300S300#5P1400S300#6P1500S300" << qint64(3 + 4 + 6 * 2);
        QTest::newRow("six groups without a speed")
            << "#1P1000#2P1100#3P1200#4P1300#5P1400#6P1500" << qint64(3 + 6 * 2);
        QTest::newRow("two groups at their own speeds") << "#1P1000S300#2P1100S400" << qint64(3 + 2 * 4);
        QTest::newRow("three at one speed, one without")
            << "#1P1000S300#2P1100S300#3P1200S300#4P1300" << qint64(3 + 4 + 4 * 2 + 2);
        QTest::newRow("a glide: two groups and a T") << "#1P1000#2P1100T1500" << qint64(3 + 6 + 2 * 2);
        QTest::newRow("a replaced group under a T") << "#1P1000#1P1100T1500" << qint64(3 + 6 + 2 + 2 * 2);
        QTest::newRow("nothing the board carries out") << "#40P1000" << qint64(3);
    }
    void linesTakeAFewBytesPerGroup()
    {
        QFETCH(QString, command);
        QFETCH(qint64, bytes);
        sketchexport::Input input;
        input.pins = armPins();
        input.sequence = line(200, "#1P1500#2P1500#3P1500#4P1500#5P1500#6P1500");
        const sketchexport::Plan one = planned(input);
        input.sequence += line(200, command);
        const sketchexport::Plan two = planned(input);
        QCOMPARE(sketchexport::lineBytes(two.steps.last()), bytes);
        QCOMPARE(sketchexport::sizeOf(two).flash - sketchexport::sizeOf(one).flash, bytes);
        QCOMPARE(sketchexport::sizeOf(two).ram, sketchexport::sizeOf(one).ram);
    }

    // What cannot be exported, and why, for the caller to word.
    void refusals_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<sketchexport::Pins>("pins"); // none: the arm's, and others from 2 up
        QTest::addColumn<bool>("refused");
        QTest::addColumn<Refusal>("refusal");
        const sketchexport::Pins arm = armPins();
        sketchexport::Pins onPin0 = arm;
        onPin0[4] = 0;
        sketchexport::Pins onA6 = arm;
        onA6[4] = 20;
        sketchexport::Pins twice = arm;
        twice[2] = twice[4];
        QString thirteen;
        for (int channel = 0; channel < 13; ++channel)
            thirteen += QStringLiteral("#%1P1500").arg(channel);
        QString overlong;
        for (int group = 0; group < 130; ++group)
            overlong += QStringLiteral("#4P%1#6P1500").arg(1000 + group);

        QTest::newRow("no line moves a servo")
            << line(300, "#40P1000") + QStringLiteral("Time\r") << sketchexport::Pins() << true
            << Refusal{.kind = Refusal::Kind::NothingToPlay};
        QTest::newRow("more than 12 channels")
            << line(300, thirteen) << sketchexport::Pins() << true
            << Refusal{.kind = Refusal::Kind::TooManyChannels, .channels = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}};
        QTest::newRow("a channel without a pin")
            << line(300, "#4P1000#9P1200#0P1000") << arm << true
            << Refusal{.kind = Refusal::Kind::ChannelWithoutPin, .channels = {0, 9}};
        QTest::newRow("pin 0: the serial line") << line(300, "#4P1000") << onPin0 << true
                                                << Refusal{.kind = Refusal::Kind::NoSuchPin, .channels = {4}, .pin = 0};
        QTest::newRow("past A5") << line(300, "#4P1000") << onA6 << true
                                 << Refusal{.kind = Refusal::Kind::NoSuchPin, .channels = {4}, .pin = 20};
        QTest::newRow("a pin for two channels")
            << line(300, "#2P1000#4P1000") << twice << true
            << Refusal{.kind = Refusal::Kind::PinTwice, .channels = {2, 4}, .pin = twice[4]};
        QTest::newRow("a pin for a channel the sequence does not move is no matter")
            << line(300, "#4P1000") << twice << false << Refusal{};
        QTest::newRow("a line with more groups than a line of the table holds")
            << line(300, "#4P1000") + line(300, overlong + "T100") << arm << true
            << Refusal{.kind = Refusal::Kind::LineTooLong, .line = 1};
    }
    void refusals()
    {
        QFETCH(QString, sequence);
        QFETCH(sketchexport::Pins, pins);
        QFETCH(bool, refused);
        QFETCH(Refusal, refusal);
        sketchexport::Input input;
        input.sequence = sequence;
        input.pins = pins.empty() ? sketchexport::pinsFor(ArmProfile().exportPins,
                                                          sketchexport::channelsMoved(sequence, input.setup))
                                  : pins;
        const std::variant<sketchexport::Plan, Refusal> plan = sketchexport::plan(input);
        QCOMPARE(std::holds_alternative<Refusal>(plan), refused);
        if (!refused)
            return;
        QCOMPARE(std::get<Refusal>(plan), refusal);
        QVERIFY(!sketchexport::describe(refusal).isEmpty());
    }

    // A sequence the Uno cannot hold says what it would take, by how much that
    // is too much, and how many of its first lines do fit.
    void tooLargeSaysWhatFits_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("fits");
        QTest::newRow("100 lines") << 100 << true;
        QTest::newRow("1,000 lines") << 1000 << true;
        QTest::newRow("2,000 lines") << 2000 << false;
    }
    void tooLargeSaysWhatFits()
    {
        QFETCH(int, lines);
        QFETCH(bool, fits);
        sketchexport::Input input;
        input.pins = armPins();
        input.sequence = sixJointLines(lines);
        const std::variant<sketchexport::Plan, Refusal> plan = sketchexport::plan(input);
        QCOMPARE(std::holds_alternative<sketchexport::Plan>(plan), fits);
        if (fits) {
            const sketchexport::Size size = sketchexport::sizeOf(std::get<sketchexport::Plan>(plan));
            QVERIFY(size.flash <= sketchexport::flashBytes);
            QVERIFY(size.ram <= sketchexport::ramBytes);
            return;
        }
        const Refusal refusal = std::get<Refusal>(plan);
        QCOMPARE(refusal.kind, Refusal::Kind::TooLarge);
        QVERIFY(refusal.size.flash > sketchexport::flashBytes);
        QVERIFY(refusal.linesThatFit > 0 && refusal.linesThatFit < lines);
        input.sequence = sixJointLines(int(refusal.linesThatFit));
        QVERIFY(std::holds_alternative<sketchexport::Plan>(sketchexport::plan(input)));
        input.sequence = sixJointLines(int(refusal.linesThatFit) + 1);
        QVERIFY(std::holds_alternative<Refusal>(sketchexport::plan(input)));
    }

    // Each channel on the pin the profile gives it; other channels on the
    // pins left, from 2 up.
    void pinsFor_data()
    {
        QTest::addColumn<sketchexport::Pins>("given");
        QTest::addColumn<QList<int>>("channels");
        QTest::addColumn<sketchexport::Pins>("pins");
        const sketchexport::Pins standard = ArmProfile().exportPins;
        QTest::newRow("the arm") << standard << QList<int>{1, 2, 3, 4, 5, 6}
                                 << sketchexport::Pins{{5, 3}, {6, 5}, {4, 6}, {3, 9}, {2, 10}, {1, 11}};
        QTest::newRow("two joints and two other channels")
            << standard << QList<int>{0, 5, 6, 7} << sketchexport::Pins{{5, 3}, {6, 5}, {0, 2}, {7, 4}};
        QTest::newRow("the profile's own pins") << sketchexport::Pins{{0, 3}, {9, 19}} << QList<int>{0, 5, 9}
                                                << sketchexport::Pins{{0, 3}, {5, 2}, {9, 19}};
        QTest::newRow("twelve channels: up to A5")
            << standard << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
            << sketchexport::Pins{{5, 3}, {6, 5}, {4, 6}, {3, 9}, {2, 10},  {1, 11},
                                  {0, 2}, {7, 4}, {8, 7}, {9, 8}, {10, 12}, {11, 13}};
    }
    void pinsFor()
    {
        QFETCH(sketchexport::Pins, given);
        QFETCH(QList<int>, channels);
        QFETCH(sketchexport::Pins, pins);
        QCOMPARE(sketchexport::pinsFor(given, channels), pins);
    }

    // The sketch is a folder the Arduino IDE opens: its .ino named after it,
    // everything it includes beside it.
    void writesTheSketchFolder()
    {
        QTemporaryDir parent;
        QVERIFY(parent.isValid());
        const QString folder = parent.filePath(QStringLiteral("wave"));
        sketchexport::Input input;
        input.pins = armPins();
        input.sequence = line(300, "#4P1000");
        const std::variant<sketchexport::Sketch, Refusal> made = sketchexport::make(input, QStringLiteral("wave"));
        QVERIFY(std::holds_alternative<sketchexport::Sketch>(made));
        QCOMPARE(sketchexport::write(folder, std::get<sketchexport::Sketch>(made)), std::nullopt);
        const QStringList files = QDir(folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files, (QStringList{"sequence_data.h", "sequence_format.h", "servo_motion.h", "servo_pulses.cpp",
                                     "servo_pulses.h", "wave.ino"}));
        // Every file the sketch includes is beside it.
        static const QRegularExpression local(QStringLiteral("#include \"([^\"]+)\""));
        int includes = 0;
        for (const QString &file : files) {
            QFile written(QDir(folder).filePath(file));
            QVERIFY(written.open(QIODevice::ReadOnly));
            for (const QRegularExpressionMatch &match : local.globalMatch(QString::fromUtf8(written.readAll()))) {
                QVERIFY2(files.contains(match.captured(1)), qPrintable(file + u' ' + match.captured(1)));
                ++includes;
            }
        }
        QVERIFY(includes >= 4);
    }
};

SERVO_TEST_MAIN(TestSketchExport)
#include "tst_sketchexport.moc"
