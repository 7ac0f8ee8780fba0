// SPDX-License-Identifier: MIT
// The main window on its real serial port, connected through a pseudo-terminal
// to servo-uno on the emulated ATmega328P, in real time: what the operator
// does comes out on the Uno's pins within one frame of its arrival.

#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"
#include "unorun.h"

#include <QSignalSpy>
#include <QTest>

#include "support/testmain.h"

namespace {

enum class Action { DragSlider, PlayLines, SendGlide };

} // namespace

Q_DECLARE_METATYPE(Action)

class TestUnoLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void reachesThePinsWithinAFrame_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("settleMs"); // after the action, until the servos have arrived
        QTest::newRow("a slider dragged") << Action::DragSlider << 300;
        QTest::newRow("lines played") << Action::PlayLines << 300;
        QTest::newRow("a glide typed and sent") << Action::SendGlide << 1700;
    }
    void reachesThePinsWithinAFrame()
    {
        QFETCH(Action, action);
        QFETCH(int, settleMs);
        const QMap<int, int> channelOfPin = unorun::channelOfPin(QStringLiteral(SERVO_UNO_SKETCH));
        unorun::PtyRun uno(QStringLiteral(SERVO_UNO_ELF), channelOfPin.keys());
        QVERIFY(!uno.device().isEmpty());

        WindowHarness::Options options;
        auto port = std::make_unique<QtSerialPort>();
        QSignalSpy sent(port.get(), &SerialPort::commandSent);
        options.port = std::move(port);
        WindowHarness harness(std::move(options));
        harness.connectTo(QStringLiteral("COM%1").arg(uno.portNumber()));
        QVERIFY(harness.window().portIsOpen());

        switch (action) {
        case Action::DragSlider:
            // Fast enough that a frame late would be tens of µs off.
            harness.child<QLineEdit>(QStringLiteral("speedinput")).setText(QStringLiteral("2000"));
            harness.checkBox(5).setChecked(true);
            for (int pulse = 1520; pulse <= 1900; pulse += 20) {
                harness.slider(5).setValue(pulse);
                QTest::qWait(25);
            }
            break;
        case Action::PlayLines:
            harness.editor().setText(QStringLiteral("Time100  #6P1200S3000\r"
                                                    "Time100  #4P1800S3000#6P1500S3000\r"
                                                    "Time100  #3P1000#2P2000T300\r"));
            harness.button("RunCommand").click();
            QTRY_COMPARE(harness.notifier.shown.size(), 1); // "ok" at the end of the sequence
            break;
        case Action::SendGlide:
            harness.child<QLineEdit>(QStringLiteral("Text3")).setText(QStringLiteral("#5P1000#6P2000T1500"));
            harness.button("Command8").click();
            break;
        }
        QTest::qWait(settleMs);
        const unorun::Output output = uno.finish();

        // Every command the port sent reached the Uno, whole and in order.
        QByteArrayList taken;
        for (const unorun::Line &line : output.lines)
            taken.append(line.text);
        QByteArrayList written;
        for (const QList<QVariant> &signal : sent)
            written.append(signal.at(0).toString().toLatin1().chopped(1));
        QVERIFY(!written.isEmpty());
        QCOMPARE(taken, written);
        const QString wrong = unorun::checkPulses(output, channelOfPin, unorun::ModelTrace(output.lines));
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    }
};

SERVO_TEST_MAIN(TestUnoLink)
#include "tst_unolink.moc"
