// SPDX-License-Identifier: MIT
// servo-uno on the emulated ATmega328P, its line fed from a script: the pulses
// on its pins against the console's motion model for the commands it took.

#include "unorun.h"

#include <QTest>

#include "support/testmain.h"

namespace {

struct Program {
    const char *elf;
    const char *sketch;
};
const Program sixServos{SERVO_UNO_ELF, SERVO_UNO_SKETCH};
const Program twelveServos{SERVO_UNO_12_ELF, SERVO_UNO_12_SKETCH};

// Twelve groups, channels 0..11, pulses `first`, `first + step`, ...
QByteArray twelveGroups(int first, int step, const QByteArray &speed)
{
    QByteArray groups;
    for (int channel = 0; channel < 12; ++channel)
        groups += "#" + QByteArray::number(channel) + "P" + QByteArray::number(first + channel * step) + speed;
    return groups;
}

} // namespace

Q_DECLARE_METATYPE(const Program *)

class TestServoUno : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pulsesFollowTheModel_data()
    {
        QTest::addColumn<const Program *>("program");
        // "<ms> <bytes>" lines: from when each is sent (escapes as in unohost.cpp).
        QTest::addColumn<QByteArray>("script");
        // The lines as the console's reader reads them, where the Uno reads
        // more (blanks between fields); empty: as they were sent.
        QTest::addColumn<QByteArrayList>("asRead");
        QTest::addColumn<int>("untilMs");

        QTest::newRow("a ramp at the commanded speed")
            << &sixServos << QByteArray("100 #5P2000S500\\r\n") << QByteArrayList() << 1400;
        QTest::newRow("no speed or S0: the top rate, both ways")
            << &sixServos << QByteArray("100 #6P2500\\r\n400 #6P500S0\\r\n") << QByteArrayList() << 800;
        QTest::newRow("T: two servos glide and arrive together")
            << &sixServos << QByteArray("100 #5P1000#6P2000T1500\\r\n") << QByteArrayList() << 1800;
        QTest::newRow("T shorter than the top rate allows")
            << &sixServos << QByteArray("100 #4P2500#3P900T50\\r\n") << QByteArrayList() << 500;
        QTest::newRow("T with speeds: the slowest sets the time")
            << &sixServos << QByteArray("100 #2P1000S2000#1P2100S400T200\\r\n") << QByteArrayList() << 1900;
        QTest::newRow("a new command retargets a moving servo")
            << &sixServos << QByteArray("100 #5P2000S1000\\r\n400 #5P1000S2000\\r\n") << QByteArrayList() << 1000;
        QTest::newRow("blanks between groups and fields")
            << &sixServos << QByteArray("100 #5 P1200 S800 #6 P1800\tS800\\r\n")
            << QByteArrayList{"#5P1200S800#6P1800S800"} << 800;
        QTest::newRow("LF and CR LF end lines too")
            << &sixServos << QByteArray("100 #4P900S1000\\n\n300 #3P2100S1000\\r\\n\n") << QByteArrayList() << 800;
        QTest::newRow("what it cannot use is left out, the rest moves")
            << &sixServos << QByteArray("100 #40P1000#5P3000#6P1700S400X#2P1200#1#3P\\x80 T\\r\n") << QByteArrayList()
            << 700;
        QTest::newRow("a line without an end in 1024 bytes is dropped whole")
            << &sixServos << QByteArray("100 " + QByteArray(1100, 'x') + "#5P1000\\r\n300 #6P1200\\r\n")
            << QByteArrayList() << 600;
        QTest::newRow("six servos, widths equal and one µs apart")
            << &sixServos
            << QByteArray("100 #5P1500#6P1500#4P1500#3P1500#2P1500#1P1500\\r\n"
                          "200 #5P1501#6P1502#4P1502#3P1503#2P1504#1P1505\\r\n")
            << QByteArrayList() << 400;
        QTest::newRow("twelve servos, one µs apart, then far apart and moving")
            << &twelveServos
            << QByteArray("100 " + twelveGroups(1500, 1, "") + "\\r\n300 " + twelveGroups(600, 170, "S3000") + "\\r\n")
            << QByteArrayList() << 1000;
        QTest::newRow("twelve servos at the longest pulse")
            << &twelveServos << QByteArray("100 " + twelveGroups(2500, 0, "") + "\\r\n") << QByteArrayList() << 500;
    }
    void pulsesFollowTheModel()
    {
        QFETCH(const Program *, program);
        QFETCH(QByteArray, script);
        QFETCH(QByteArrayList, asRead);
        QFETCH(int, untilMs);
        const QMap<int, int> channelOfPin = unorun::channelOfPin(QString::fromUtf8(program->sketch));
        unorun::Output output =
            unorun::runScript(QString::fromUtf8(program->elf), channelOfPin.keys(), script, untilMs);
        // Every line reached the program, and it answered none.
        QCOMPARE(output.lines.size(), script.count('\n'));
        QCOMPARE(output.written, QByteArray());
        for (qsizetype i = 0; i < asRead.size(); ++i)
            output.lines[i].text = asRead[i];
        const QString wrong = unorun::checkPulses(output, channelOfPin, unorun::ModelTrace(output.lines));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
};

SERVO_TEST_MAIN(TestServoUno)
#include "tst_servouno.moc"
