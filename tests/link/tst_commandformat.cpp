// SPDX-License-Identifier: MIT
#include "link/commandformat.h"

#include <QTest>

#include "support/testmain.h"

// The spelling of commands on the wire.
class TestCommandFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void spacedPutsABlankBetweenFields_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("spaced");
        QTest::newRow("a move") << QStringLiteral("#5P1500S300\r") << QStringLiteral("#5 P1500 S300\r");
        QTest::newRow("a glide") << QStringLiteral("#0P900#3P1600T1500\r")
                                 << QStringLiteral("#0 P900 #3 P1600 T1500\r");
        QTest::newRow("a group without a speed") << QStringLiteral("#12P2500\r") << QStringLiteral("#12 P2500\r");
        QTest::newRow("an empty speed") << QStringLiteral("#1P1500S#2P900S\r")
                                        << QStringLiteral("#1 P1500 S #2 P900 S\r");
        QTest::newRow("blanks already there are kept single")
            << QStringLiteral("#1P1500  #2 P900S10 T100\r") << QStringLiteral("#1 P1500 #2 P900 S10 T100\r");
        QTest::newRow("a long speed text of digits") << "#4P600S" + QString(256, u'9') + "\r"
                                                     << "#4 P600 S" + QString(256, u'9') + "\r";
        QTest::newRow("Send with two lines, CR and LF")
            << QStringLiteral("#1P800\r#2P900\n#1P1000") << QStringLiteral("#1 P800\r#2 P900\n#1 P1000");
        QTest::newRow("empty lines stay") << QStringLiteral("\r\r") << QStringLiteral("\r\r");
        QTest::newRow("a command for something else") << QStringLiteral("VER\r") << QStringLiteral("VER\r");
        QTest::newRow("a time alone") << QStringLiteral("T500\r") << QStringLiteral("T500\r");
        QTest::newRow("a speed that is not a number")
            << QStringLiteral("#5P1500Sabc\r") << QStringLiteral("#5P1500Sabc\r");
        QTest::newRow("a time without digits") << QStringLiteral("#5P1500T\r") << QStringLiteral("#5P1500T\r");
        QTest::newRow("a group after the time")
            << QStringLiteral("#5P1500T10#6P900\r") << QStringLiteral("#5P1500T10#6P900\r");
        QTest::newRow("a channel without a pulse") << QStringLiteral("#5S300\r") << QStringLiteral("#5S300\r");
        QTest::newRow("only the lines in the board's language")
            << QStringLiteral("#5P1500\rhello\r#6P900S1\r") << QStringLiteral("#5 P1500\rhello\r#6 P900 S1\r");
    }
    void spacedPutsABlankBetweenFields()
    {
        QFETCH(QString, command);
        QFETCH(QString, spaced);
        QCOMPARE(commandformat::apply(command, CommandFormat::Spaced), spaced);
        // Compact is what the program makes: nothing changes.
        QCOMPARE(commandformat::apply(command, CommandFormat::Compact), command);
    }
};

SERVO_TEST_MAIN(TestCommandFormat)
#include "tst_commandformat.moc"
