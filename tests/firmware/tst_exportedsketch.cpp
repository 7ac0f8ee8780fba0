// SPDX-License-Identifier: MIT
// A sequence exported for the Uno, built with avr-gcc and run on the emulated
// ATmega328P: its pins against the console's motion model with each servo's
// easing, from the hold at power-up and the glide on; and its size against
// what the export said it would take.

#include "core/sequenceline.h"
#include "core/sketchexport.h"
#include "shared/armgeometry.h"
#include "unorun.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

namespace {

// A command the program should carry out, `atMs` after its first frame.
struct Timed {
    int atMs = 0;
    QByteArray command;
};

QString line(int interval, const QString &command)
{
    return sequenceline::timePrefix(interval) + command + u'\r';
}

// How far above what avr-gcc makes the export's sizes may be.
constexpr qint64 closeFlash = 512;
constexpr qint64 closeRam = 128;

struct Built {
    QString elf;
    sketchexport::Size size;
};

// Builds the sketch in `folder` as the project builds its own (cmake/AvrSketch.cmake).
Built build(const QString &folder, const QString &output)
{
    QStringList arguments = QString::fromUtf8(AVR_SKETCH_COMMAND).split(u'|');
    const QString cmake = arguments.takeFirst();
    arguments << QStringLiteral("-DSKETCH_DIR=") + folder << QStringLiteral("-DOUTPUT=") + output
              << QStringLiteral("-P") << QStringLiteral(AVR_SKETCH_SCRIPT);
    QProcess builder;
    builder.setProcessChannelMode(QProcess::ForwardedChannels);
    builder.start(cmake, arguments);
    if (!builder.waitForFinished(300'000) || builder.exitCode() != 0)
        qFatal("the exported sketch in %s did not build", qPrintable(folder));
    QFile sizes(output + QStringLiteral(".size"));
    if (!sizes.open(QIODevice::ReadOnly))
        qFatal("no sizes for %s", qPrintable(output));
    Built built{output + QStringLiteral(".elf"), {}};
    for (const QByteArray &row : sizes.readAll().split('\n')) {
        const QList<QByteArray> words = row.split(' ');
        if (words.size() == 2)
            (words[0] == "flash" ? built.size.flash : built.size.ram) = words[1].toLongLong();
    }
    return built;
}

} // namespace

Q_DECLARE_METATYPE(QList<Timed>)
Q_DECLARE_METATYPE(easing::Curve)

class TestExportedSketch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Channel 5's home is 1400, channel 4 is limited to 500..2000.
    void playsAsTheConsolePlays_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<int>("easedChannel"); // -1: none
        QTest::addColumn<easing::Curve>("curve");
        QTest::addColumn<bool>("looping");
        QTest::addColumn<QList<Timed>>("expected");
        QTest::addColumn<int>("untilMs");
        // The glide at 1,500 ms; the first line once the glide has had its time.
        QTest::newRow("three lines, an eased shoulder, looping")
            << line(1200, "#5P2000S1000#6P1000S800") + line(1500, "#6P2000S1000#4P2200S2000")
                   + line(1000, "#5P1200#6P1200T800")
            << 6 << easing::Curve::InOutSine << true
            << QList<Timed>{{1500, "#5P2000#6P1000T1500"},      {3000, "#5P2000S1000#6P1000S800"},
                            {4200, "#6P2000S1000#4P2000S2000"}, {5700, "#5P1200#6P1200T800"},
                            {6700, "#5P2000S1000#6P1000S800"},  {7900, "#6P2000S1000#4P2000S2000"},
                            {9400, "#5P1200#6P1200T800"},       {10400, "#5P2000S1000#6P1000S800"}}
            << 10700;
        QTest::newRow("once: a line not sent keeps the period, an interval of 0 ends it")
            << line(500, "#5P1800S2000") + QStringLiteral("Time40000 #5P1000\r") + line(0, "#3P1200")
                   + line(500, "#5P1000")
            << 3 << easing::Curve::OutCubic << false
            << QList<Timed>{{1500, "#5P1800T1500"}, {3000, "#5P1800S2000"}, {4000, "#3P1200"}} << 5500;
    }
    void playsAsTheConsolePlays()
    {
        QFETCH(QString, sequence);
        QFETCH(int, easedChannel);
        QFETCH(easing::Curve, curve);
        QFETCH(bool, looping);
        QFETCH(QList<Timed>, expected);
        QFETCH(int, untilMs);

        sketchexport::Input input;
        input.sequence = sequence;
        input.setup.channel(5).homePulse = 1400;
        input.setup.channel(4) = {500, 2000, 1500, {}, true, {}};
        if (easedChannel >= 0)
            input.curves[size_t(easedChannel)] = curve;
        input.looping = looping;
        input.pins = sketchexport::pinsFor(ArmProfile().exportPins, sketchexport::channelsMoved(sequence, input.setup));
        const std::variant<sketchexport::Sketch, sketchexport::Refusal> made =
            sketchexport::make(input, QStringLiteral("exported"));
        QVERIFY(std::holds_alternative<sketchexport::Sketch>(made));
        const sketchexport::Sketch &sketch = std::get<sketchexport::Sketch>(made);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath(QStringLiteral("exported"));
        QCOMPARE(sketchexport::write(folder, sketch), std::nullopt);

        // What it takes is within what the export said, and not far below it.
        const Built built = build(folder, dir.filePath(QStringLiteral("program")));
        const QString sizes = QStringLiteral("%1 / %2 bytes built, %3 / %4 said")
                                  .arg(built.size.flash)
                                  .arg(built.size.ram)
                                  .arg(sketch.size.flash)
                                  .arg(sketch.size.ram);
        QVERIFY2(built.size.flash <= sketch.size.flash && built.size.ram <= sketch.size.ram, qPrintable(sizes));
        QVERIFY2(sketch.size.flash - built.size.flash < closeFlash && sketch.size.ram - built.size.ram < closeRam,
                 qPrintable(sizes));

        QMap<int, int> channelOfPin;
        std::map<int, int> homes;
        for (qsizetype slot = 0; slot < sketch.plan.channels.size(); ++slot) {
            channelOfPin.insert(sketch.plan.pins[slot], sketch.plan.channels[slot]);
            homes[sketch.plan.channels[slot]] = sketch.plan.homes[slot];
        }
        const unorun::Output output = unorun::runScript(built.elf, channelOfPin.keys(), {}, untilMs);
        QVERIFY(!output.pulses.isEmpty());
        // The program's clock starts with its first frame.
        double startUs = output.pulses.first().riseUs;
        for (const unorun::Pulse &pulse : output.pulses)
            startUs = std::min(startUs, pulse.riseUs);
        QList<unorun::Line> commands;
        for (const Timed &timed : expected)
            commands.append({startUs + timed.atMs * 1000.0, timed.command});
        const unorun::ModelTrace model(commands, homes, qint64(std::floor(startUs)), input.curves);
        const QString wrong = unorun::checkPulses(output, channelOfPin, model);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }

    // The profile's export pins put the arm's joints where servo-uno drives them.
    void wiresTheArmAsServoUnoDoes()
    {
        QMap<int, int> servoUno;
        const QMap<int, int> channelOfPin = unorun::channelOfPin(QStringLiteral(SERVO_UNO_SKETCH));
        for (auto it = channelOfPin.cbegin(); it != channelOfPin.cend(); ++it)
            servoUno.insert(it.value(), it.key());
        const sketchexport::Pins pins = sketchexport::pinsFor(ArmProfile().exportPins, servoUno.keys());
        QCOMPARE(pins, servoUno.toStdMap());
    }
};

SERVO_TEST_MAIN(TestExportedSketch)
#include "tst_exportedsketch.moc"
