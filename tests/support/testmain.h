// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QDir>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace testsupport {

// Tests read and write numbers the same way on any machine. The program reads
// the interval box with the default locale's decimal separator.
inline void pinLocale()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

// The test and every program it starts get a home and XDG folders of their own,
// removed when the test ends: nothing a test does (settings, recent files, Qt's
// file dialog history, a user's cmd.txt) reaches the real user's. Qt's test
// mode keeps its own writes in the private home as well.
inline void isolateUserFolders()
{
    static QTemporaryDir home(QDir::tempPath() + QStringLiteral("/servo-test-home-XXXXXX"));
    if (!home.isValid())
        qFatal("no private home folder for the test: %s", qPrintable(home.errorString()));
    const QByteArray path = QFile::encodeName(home.path());
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    qputenv("XDG_DATA_HOME", path + "/.local/share");
    qputenv("XDG_CACHE_HOME", path + "/.cache");
    qputenv("XDG_STATE_HOME", path + "/.local/state");
    QStandardPaths::setTestModeEnabled(true);
}

// What every test process does before its QApplication.
inline void prepare()
{
    isolateUserFolders();
    pinLocale();
}

} // namespace testsupport

// main() for every test: QTEST_MAIN with the user's folders kept out of reach
// and the locale pinned first.
#define SERVO_TEST_MAIN(TestObject) QTEST_MAIN_WRAPPER(TestObject, testsupport::prepare(); QTEST_MAIN_SETUP())
