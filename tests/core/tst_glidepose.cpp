// SPDX-License-Identifier: MIT
#include "core/glidepose.h"

#include <QTest>

#include "support/testmain.h"

Q_DECLARE_METATYPE(glidepose::Pose)

// Where the commands sent leave each channel.
class TestGlidePose : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsPositionGroups_data()
    {
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<glidepose::Pose>("pose");
        QTest::addColumn<QString>("glide");
        QTest::newRow("later over earlier, ascending")
            << QStringList{"#5P2500S300#1P900S300\r", "#5P1200S300\r"} << glidepose::Pose{{1, 900}, {5, 1200}}
            << "#1P900#5P1200T1500\r";
        QTest::newRow("a glide or a T command is a position too")
            << QStringList{"#0P1500#31P700T1000\r"} << glidepose::Pose{{0, 1500}, {31, 700}} << "#0P1500#31P700T1500\r";
        QTest::newRow("not positions: no P, channel 32, no digits, too many digits")
            << QStringList{"#3S300\r", "#32P1500\r", "#P1500#4P\r", "#7P123456\r", "abc"} << glidepose::Pose{}
            << "T1500\r";
        QTest::newRow("lower case p is no position, as on the board")
            << QStringList{"#2p1800\r"} << glidepose::Pose{} << "T1500\r";
    }
    void followsPositionGroups()
    {
        QFETCH(QStringList, commands);
        QFETCH(glidepose::Pose, pose);
        QFETCH(QString, glide);
        glidepose::Pose followed;
        for (const QString &command : commands)
            glidepose::follow(followed, command);
        QCOMPARE(followed, pose);
        QCOMPARE(glidepose::command(followed, 1500), glide);
    }
};

SERVO_TEST_MAIN(TestGlidePose)
#include "tst_glidepose.moc"
