// SPDX-License-Identifier: MIT
#include "input/keypad.h"

#include <QTest>
#include "support/testmain.h"

// The keyboard as a pad: which key steps the tip which way, and how far.
class TestKeypad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void step_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QVariant>("step"); // a TipStep, or none

        using keypad::stepDegrees;
        using keypad::stepMm;
        const Qt::KeyboardModifiers none;
        const auto step = [](double x, double y, double z, double pitch) {
            return QVariant::fromValue(TipStep{x, y, z, pitch});
        };
        QTest::newRow("up: away along X") << int(Qt::Key_Up) << none << step(stepMm, 0, 0, 0);
        QTest::newRow("down: back") << int(Qt::Key_Down) << none << step(-stepMm, 0, 0, 0);
        QTest::newRow("left: towards +Y") << int(Qt::Key_Left) << none << step(0, stepMm, 0, 0);
        QTest::newRow("right: towards -Y") << int(Qt::Key_Right) << none << step(0, -stepMm, 0, 0);
        QTest::newRow("page up: up") << int(Qt::Key_PageUp) << none << step(0, 0, stepMm, 0);
        QTest::newRow("page down: down") << int(Qt::Key_PageDown) << none << step(0, 0, -stepMm, 0);
        QTest::newRow("home: pitch up") << int(Qt::Key_Home) << none << step(0, 0, 0, stepDegrees);
        QTest::newRow("end: pitch down") << int(Qt::Key_End) << none << step(0, 0, 0, -stepDegrees);
        QTest::newRow("shift: a longer step") << int(Qt::Key_PageUp) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                              << step(0, 0, stepMm * keypad::bigShift, 0);
        QTest::newRow("shift on the pitch") << int(Qt::Key_End) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                            << step(0, 0, 0, -stepDegrees * keypad::bigShift);
        QTest::newRow("the keypad's arrow")
            << int(Qt::Key_Up) << Qt::KeyboardModifiers(Qt::KeypadModifier) << step(stepMm, 0, 0, 0);
        QTest::newRow("ctrl is for shortcuts")
            << int(Qt::Key_Up) << Qt::KeyboardModifiers(Qt::ControlModifier) << QVariant();
        QTest::newRow("alt is for shortcuts")
            << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::AltModifier) << QVariant();
        QTest::newRow("another key") << int(Qt::Key_A) << none << QVariant();
    }
    void step()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QVariant, step);
        const std::optional<TipStep> taken = keypad::step(key, modifiers);
        QCOMPARE(taken.has_value(), step.isValid());
        if (taken)
            QCOMPARE(*taken, step.value<TipStep>());
    }
};

SERVO_TEST_MAIN(TestKeypad)
#include "tst_keypad.moc"
