// SPDX-License-Identifier: MIT
#include "shared/armprofile.h"

#include <QTemporaryDir>
#include <QTest>

#include "core/filefaults.h"
#include "support/testmain.h"

#include <memory>

using Kind = armprofile::Problem::Kind;
Q_DECLARE_METATYPE(Kind)

class TestArmProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each fault is found with where it is; what is sound around it is still read.
    void problemsAreFound_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");

        const QByteArray keep(R"("7": {"name": "夹子", "min": 1000})");
        const auto with = [&](const char *channel) { return "{\"channels\": {" + keep + ", " + channel + "}}"; };
        QTest::newRow("not JSON, line 3") << QByteArray("{\n  \"channels\": {\n    \"5\": {\"min\": 900,,}\n")
                                          << Kind::NotJson << QString() << 3 << 22;
        QTest::newRow("not JSON, columns count characters")
            << QByteArray("{\"channels\": {\"5\": {\"name\": \"底座\" \"min\": 1}}}") << Kind::NotJson << QString() << 1
            << 34;
        QTest::newRow("wrong type") << with(R"("5": {"min": "900"})") << Kind::WrongType << "channels.5.min" << 0 << 0;
        QTest::newRow("fraction") << with(R"("5": {"max": 2000.5})") << Kind::WrongType << "channels.5.max" << 0 << 0;
        QTest::newRow("unknown key") << with(R"("5": {"mini": 900})") << Kind::UnknownKey << "channels.5.mini" << 0
                                     << 0;
        QTest::newRow("pulse too low") << with(R"("5": {"min": 499})") << Kind::OutOfRange << "channels.5.min" << 0
                                       << 0;
        QTest::newRow("home too high") << with(R"("5": {"home": 2501})") << Kind::OutOfRange << "channels.5.home" << 0
                                       << 0;
        QTest::newRow("min above max") << with(R"("5": {"min": 2000, "max": 1000})") << Kind::MinAboveMax
                                       << "channels.5.min" << 0 << 0;
        QTest::newRow("channel 32") << with(R"("32": {"min": 900})") << Kind::NoSuchChannel << "channels.32" << 0 << 0;
        QTest::newRow("channel 05") << with(R"("05": {"min": 900})") << Kind::NoSuchChannel << "channels.05" << 0 << 0;
        QTest::newRow("duplicate joint") << QByteArray(R"({"channels": {)" + keep
                                                       + R"(}, "arm": {"joints": {"base": 6}}})")
                                         << Kind::DuplicateJoint << "arm.joints.shoulder" << 0 << 0;
        QTest::newRow("joint channel 40")
            << QByteArray(R"({"channels": {)" + keep + R"(}, "arm": {"joints": {"gripper": 40}}})")
            << Kind::NoSuchChannel << "arm.joints.gripper" << 0 << 0;
        QTest::newRow("zero slope") << QByteArray(R"({"channels": {)" + keep
                                                  + R"(}, "arm": {"calibration": {"5": {"usPerDegree": 0}}}})")
                                    << Kind::OutOfRange << "arm.calibration.5.usPerDegree" << 0 << 0;
        QTest::newRow("negative link") << QByteArray(R"({"channels": {)" + keep
                                                     + R"(}, "arm": {"linksMm": {"forearm": -1}}})")
                                       << Kind::OutOfRange << "arm.linksMm.forearm" << 0 << 0;
        QTest::newRow("other version") << QByteArray(R"({"version": 2, "channels": {)" + keep + "}}")
                                       << Kind::OtherVersion << "version" << 0 << 0;
    }
    void problemsAreFound()
    {
        QFETCH(QByteArray, json);
        QFETCH(Kind, kind);
        QFETCH(QString, field);
        QFETCH(int, line);
        QFETCH(int, column);

        const armprofile::Reading reading = armprofile::parse(json);
        QCOMPARE(reading.problems.size(), 1);
        const armprofile::Problem &problem = reading.problems.first();
        QCOMPARE(problem.kind, kind);
        QCOMPARE(problem.field, field);
        QCOMPARE(problem.line, line);
        QCOMPARE(problem.column, column);
        if (kind == Kind::NotJson)
            return;
        // The sound channel is read, and the faulty field keeps its default.
        QCOMPARE(reading.profile.channels.channel(7).name, QStringLiteral("夹子"));
        QVERIFY(reading.profile.channels.channel(7).limited);
        QCOMPARE(reading.profile.channels.channel(7).minimumPulse, 1000);
        QCOMPARE(reading.profile.channels.channel(7).maximumPulse, 2500);
        QCOMPARE(reading.profile.channels.channel(5), ChannelSetup::Channel());
        QCOMPARE(reading.profile.arm, arm::ArmGeometry());
    }

    // The example of the README reads without a problem, and what is written
    // reads back as the same profile.
    void exampleReadsAndRoundTrips()
    {
        const QByteArray example = R"({
          "version": 1,
          "channels": {
            "5": { "name": "底座旋转", "min": 900, "max": 2100, "home": 1500 },
            "6": { "name": "肩部", "min": 1000, "max": 2000, "home": 1600 }
          },
          "arm": {
            "joints": { "base": 5, "shoulder": 6, "elbow": 4, "wrist": 3, "wristTurn": 2, "gripper": 1 },
            "calibration": { "5": { "zeroPulse": 1500, "usPerDegree": 11.111 }, "1": { "usPerDegree": -9 } },
            "linksMm": { "baseHeight": 70, "upperArm": 105, "forearm": 98, "hand": 150 }
          }
        })";
        const armprofile::Reading reading = armprofile::parse(example);
        QVERIFY(reading.problems.isEmpty());
        const ArmProfile &profile = reading.profile;
        QCOMPARE(profile.channels.channel(6).homePulse, 1600);
        QCOMPARE(profile.channels.describe(5), QStringLiteral("底座旋转 · 板上通道 #5"));
        QCOMPARE(profile.arm.calibrationOf(arm::Joint::Base).usPerDegree, 11.111);
        QCOMPARE(profile.arm.calibrationOf(arm::Joint::Gripper).usPerDegree, -9.0);
        QCOMPARE(armprofile::parse(armprofile::toJson(profile)).profile, profile);
    }

    // A file that cannot be a profile is told and not read.
    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<Kind>("kind");
        QTest::newRow("folder") << "folder" << Kind::NotAFile;
        QTest::newRow("over 1 MB") << "large" << Kind::TooLarge;
    }
    void unreadableFiles()
    {
        QFETCH(QString, what);
        QFETCH(Kind, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arm.json"));
        if (what == u"folder") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("arm.json")));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("{\"channels\": {}" + QByteArray(armprofile::sizeLimit, ' ') + "}") > 0);
        }
        const armprofile::Reading reading = armprofile::read(path);
        QVERIFY(reading.found);
        QCOMPARE(reading.problems.size(), 1);
        QCOMPARE(reading.problems.first().kind, kind);
    }

    void missingFileIsTheBoardAsItComes()
    {
        QTemporaryDir dir;
        const armprofile::Reading reading = armprofile::read(dir.filePath(QStringLiteral("arm.json")));
        QVERIFY(!reading.found);
        QVERIFY(reading.problems.isEmpty());
        QCOMPARE(reading.profile, ArmProfile());
    }

    // A write that cannot finish (the disk is full) leaves the old file whole.
    void failedWriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arm.json"));
        ArmProfile small;
        small.channels.channel(3).name = QStringLiteral("腕");
        QVERIFY(!armprofile::write(path, small));

        ArmProfile large;
        for (int k = 0; k < ChannelSetup::count; ++k)
            large.channels.channel(k).name = QString(300, u'名');
        filefaults::FileSizeLimit limit(2048);
        if (!limit.unavailable().isEmpty())
            QSKIP(qPrintable(limit.unavailable()));
        const std::optional<QString> failure = armprofile::write(path, large);
        QVERIFY(failure && !failure->isEmpty());
        QCOMPARE(armprofile::read(path).profile, small);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"arm.json"});
    }

    void travelsWithTheSequence_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QString>("profile");
        QTest::newRow("cmd.txt") << "/a/cmd.txt"
                                 << "/a/arm.json";
        QTest::newRow("another") << "/a/wave.txt"
                                 << "/a/wave.arm.json";
        QTest::newRow("two dots") << "/a/wave.v2.txt"
                                  << "/a/wave.v2.arm.json";
    }
    void travelsWithTheSequence()
    {
        QFETCH(QString, sequence);
        QFETCH(QString, profile);
        QCOMPARE(QDir::fromNativeSeparators(armprofile::pathFor(sequence)), profile);
    }
};

SERVO_TEST_MAIN(TestArmProfile)
#include "tst_armprofile.moc"
