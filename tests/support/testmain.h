#pragma once

#include <QLocale>
#include <QTest>

namespace testsupport {

// Tests read and write numbers the same way on any machine. The program reads
// the interval box with the default locale's decimal separator.
inline void pinLocale()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

} // namespace testsupport

// main() for every test: QTEST_MAIN with the locale pinned first.
#define SERVO_TEST_MAIN(TestObject)                                                                \
    QTEST_MAIN_WRAPPER(TestObject, testsupport::pinLocale(); QTEST_MAIN_SETUP())
