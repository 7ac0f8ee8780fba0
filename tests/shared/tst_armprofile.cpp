// SPDX-License-Identifier: MIT
#include "shared/armprofile.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "core/filefaults.h"
#include "support/filebytes.h"
#include "support/testmain.h"

#include <memory>

using Kind = armprofile::Problem::Kind;
Q_DECLARE_METATYPE(Kind)
Q_DECLARE_METATYPE(ArmProfile)
Q_DECLARE_METATYPE(easing::Curve)

class TestArmProfile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each fault is found with where it is; what is sound around it is read,
    // exactly as the same file without the fault.
    void problemsAreFound_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("sound");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");

        const QByteArray keep(R"("7": {"name": "夹子", "min": 1000})");
        // The sound channel 7 with one more channel entry, and with more at the top.
        const auto with = [&](const QByteArray &channel) {
            return "{\"channels\": {" + keep + (channel.isEmpty() ? "" : ", " + channel) + "}}";
        };
        const auto top = [&](const QByteArray &more) { return "{\"channels\": {" + keep + "}, " + more + "}"; };
        const auto number = [](double value) { return QByteArray::number(value, 'g', 17); };
        const QByteArray plain = with({});
        const auto noWhere = [](QTestData &row, Kind kind, const char *field) -> QTestData & {
            return row << kind << QString::fromUtf8(field) << 0 << 0;
        };

        QTest::newRow("not JSON, line 3") << QByteArray("{\n  \"channels\": {\n    \"5\": {\"min\": 900,,}\n")
                                          << QByteArray() << Kind::NotJson << QString() << 3 << 22;
        QTest::newRow("not JSON, columns count characters")
            << QByteArray("{\"channels\": {\"5\": {\"name\": \"底座\" \"min\": 1}}}") << QByteArray() << Kind::NotJson
            << QString() << 1 << 34;
        noWhere(QTest::newRow("wrong type") << with(R"("5": {"min": "900"})") << plain, Kind::WrongType,
                "channels.5.min");
        noWhere(QTest::newRow("fraction") << with(R"("5": {"max": 2000.5})") << plain, Kind::WrongType,
                "channels.5.max");
        noWhere(QTest::newRow("unknown key") << with(R"("5": {"mini": 900})") << plain, Kind::UnknownKey,
                "channels.5.mini");
        noWhere(QTest::newRow("pulse too low") << with(R"("5": {"min": 499})") << plain, Kind::OutOfRange,
                "channels.5.min");
        noWhere(QTest::newRow("home too high") << with(R"("5": {"home": 2501})") << plain, Kind::OutOfRange,
                "channels.5.home");
        noWhere(QTest::newRow("min above max") << with(R"("5": {"min": 2000, "max": 1000})") << plain,
                Kind::MinAboveMax, "channels.5.min");
        noWhere(QTest::newRow("home above max") << with(R"("5": {"min": 900, "max": 2100, "home": 2200})")
                                                << with(R"("5": {"min": 900, "max": 2100})"),
                Kind::HomeOutsideLimits, "channels.5.home");
        noWhere(QTest::newRow("home below min")
                    << with(R"("5": {"min": 1600, "home": 1500})") << with(R"("5": {"min": 1600})"),
                Kind::HomeOutsideLimits, "channels.5.home");
        noWhere(QTest::newRow("channel twice, limits first")
                    << with(R"("5": {"min": 900, "max": 2100}, "5": {"name": "底座"})")
                    << with(R"("5": {"name": "底座"})"),
                Kind::DuplicateKey, "channels.5");
        noWhere(QTest::newRow("channel 32") << with(R"("32": {"min": 900})") << plain, Kind::NoSuchChannel,
                "channels.32");
        noWhere(QTest::newRow("channel 05") << with(R"("05": {"min": 900})") << plain, Kind::NoSuchChannel,
                "channels.05");
        noWhere(QTest::newRow("unknown easing of a channel") << with(R"("5": {"easing": "inOutSin"})") << plain,
                Kind::UnknownEasing, "channels.5.easing");
        noWhere(QTest::newRow("easing not a name") << with(R"("5": {"easing": 3})") << plain, Kind::WrongType,
                "channels.5.easing");
        noWhere(QTest::newRow("duplicate joint") << top(R"("arm": {"joints": {"base": 6}})") << plain,
                Kind::DuplicateJoint, "arm.joints.shoulder");
        noWhere(QTest::newRow("joint channel 40") << top(R"("arm": {"joints": {"gripper": 40}})") << plain,
                Kind::NoSuchChannel, "arm.joints.gripper");
        const auto slope = [&](double value) {
            return top(R"("arm": {"calibration": {"5": {"usPerDegree": )" + number(value) + "}}}");
        };
        noWhere(QTest::newRow("zero slope") << slope(0) << plain, Kind::OutOfRange, "arm.calibration.5.usPerDegree");
        noWhere(QTest::newRow("slope 5e-324") << slope(5e-324) << plain, Kind::OutOfRange,
                "arm.calibration.5.usPerDegree");
        noWhere(QTest::newRow("slope under the least, reversed")
                    << slope(-armprofile::leastUsPerDegree * 0.99) << plain,
                Kind::OutOfRange, "arm.calibration.5.usPerDegree");
        noWhere(QTest::newRow("slope over the most") << slope(armprofile::mostUsPerDegree * 1.01) << plain,
                Kind::OutOfRange, "arm.calibration.5.usPerDegree");
        const auto forearm = [&](double value) {
            return top(R"("arm": {"linksMm": {"forearm": )" + number(value) + "}}");
        };
        noWhere(QTest::newRow("negative link") << forearm(-1) << plain, Kind::OutOfRange, "arm.linksMm.forearm");
        noWhere(QTest::newRow("link 1e-300") << forearm(1e-300) << plain, Kind::OutOfRange, "arm.linksMm.forearm");
        noWhere(QTest::newRow("link under the shortest") << forearm(armprofile::shortestLinkMm * 0.99) << plain,
                Kind::OutOfRange, "arm.linksMm.forearm");
        noWhere(QTest::newRow("link over the longest") << forearm(armprofile::longestLinkMm * 1.01) << plain,
                Kind::OutOfRange, "arm.linksMm.forearm");
        noWhere(QTest::newRow("other version") << QByteArray(R"({"version": 2, "channels": {)" + keep + "}}") << plain,
                Kind::OtherVersion, "version");
        noWhere(QTest::newRow("unknown easing of the sequence")
                    << top(R"("motion": {"easing": "bounce", "stepMs": 40})") << top(R"("motion": {"stepMs": 40})"),
                Kind::UnknownEasing, "motion.easing");
        const auto step = [&](double value) { return top(R"("motion": {"stepMs": )" + number(value) + "}"); };
        noWhere(QTest::newRow("step under the least") << step(easing::leastStepMs - 1) << plain, Kind::OutOfRange,
                "motion.stepMs");
        noWhere(QTest::newRow("step over the most") << step(easing::mostStepMs + 1) << plain, Kind::OutOfRange,
                "motion.stepMs");
        noWhere(QTest::newRow("step fraction") << step(easing::defaultStepMs + 0.5) << plain, Kind::WrongType,
                "motion.stepMs");
        noWhere(QTest::newRow("unknown key of motion") << top(R"("motion": {"speed": 3})") << plain, Kind::UnknownKey,
                "motion.speed");
        noWhere(QTest::newRow("negative pin")
                    << top(R"("export": {"pins": {"5": -1, "6": 4}})") << top(R"("export": {"pins": {"6": 4}})"),
                Kind::OutOfRange, "export.pins.5");
        noWhere(QTest::newRow("fractional pin")
                    << top(R"("export": {"pins": {"5": 2.5, "6": 4}})") << top(R"("export": {"pins": {"6": 4}})"),
                Kind::WrongType, "export.pins.5");
        noWhere(QTest::newRow("pin of channel 32")
                    << top(R"("export": {"pins": {"32": 2, "6": 4}})") << top(R"("export": {"pins": {"6": 4}})"),
                Kind::NoSuchChannel, "export.pins.32");
        noWhere(QTest::newRow("pins not an object") << top(R"("export": {"pins": [3, 5]})") << plain, Kind::WrongType,
                "export.pins");
    }
    void problemsAreFound()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, sound);
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
        const armprofile::Reading without = armprofile::parse(sound);
        QCOMPARE(without.problems, QList<armprofile::Problem>());
        QCOMPARE(reading.profile, without.profile);
        // The sound channel is read whatever else is wrong.
        QCOMPARE(reading.profile.channels.channel(7).name, QStringLiteral("夹子"));
        QVERIFY(reading.profile.channels.channel(7).limited);
        QCOMPARE(reading.profile.channels.channel(7).minimumPulse, 1000);
    }

    // A key given twice in one object is told, wherever it is and however it
    // is spelt; the same key in two objects, or inside a string, is not.
    void duplicateKeysAreFound_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("a channel") << QByteArray(R"({"channels": {"5": {"min": 900}, "5": {"name": "底座"}}})")
                                   << QStringList{"channels.5"};
        QTest::newRow("a channel, once escaped")
            << QByteArray(R"({"channels": {"5": {"min": 900}, "\u0035": {"name": "底座"}}})")
            << QStringList{"channels.5"};
        QTest::newRow("a limit") << QByteArray(R"({"channels": {"5": {"min": 900, "max": 2000, "min": 1000}}})")
                                 << QStringList{"channels.5.min"};
        QTest::newRow("three times, told once")
            << QByteArray(R"({"version": 1, "version": 1, "version": 1})") << QStringList{"version"};
        QTest::newRow("two, in order") << QByteArray(R"({"arm": {"linksMm": {"hand": 9, "hand": 8}}, "arm": {}})")
                                       << QStringList{"arm.linksMm.hand", "arm"};
        QTest::newRow("a key in two objects")
            << QByteArray(R"({"channels": {"5": {"min": 900}, "6": {"min": 900}}})") << QStringList{};
        QTest::newRow("keys inside strings") << QByteArray(
            "{\"channels\": {\"5\": {\"name\": \"\\\"}, \\\"5\\\": {\\\"name\"}, \"6\": {\"name\": \"{[\\\\\"}}}")
                                             << QStringList{};
        QTest::newRow("escaped quote in a key")
            << QByteArray("{\"a\\\"b\": 1, \"a\\u0022b\": 2}") << QStringList{"a\"b"};
        QTest::newRow("a pair of surrogates") << QByteArray(R"({"\ud83d\ude00": 1, "😀": 2})") << QStringList{"😀"};
        QTest::newRow("inside an array") << QByteArray(R"({"n": [{"x": 1}, {"x": 1, "x": 2}]})")
                                         << QStringList{"n.1.x"};
        QTest::newRow("strings after an empty object") << QByteArray(R"({"n": [{}, "k", {}, "k"]})") << QStringList{};
    }
    void duplicateKeysAreFound()
    {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, fields);
        QStringList told;
        for (const armprofile::Problem &problem : armprofile::parse(json).problems) {
            QVERIFY(problem.kind != Kind::NotJson);
            if (problem.kind == Kind::DuplicateKey)
                told.append(problem.field);
        }
        QCOMPARE(told, fields);
    }

    // The example of docs/reference.md reads without a problem, and what is written
    // reads back as the same profile.
    void exampleReadsAndRoundTrips()
    {
        const QByteArray example = R"({
          "version": 1,
          "channels": {
            "5": { "name": "底座旋转", "min": 900, "max": 2100, "home": 1500 },
            "6": { "name": "肩部", "min": 1000, "max": 2000, "home": 1600, "easing": "outQuad" }
          },
          "arm": {
            "joints": { "base": 5, "shoulder": 6, "elbow": 4, "wrist": 3, "wristTurn": 2, "gripper": 1 },
            "calibration": { "5": { "zeroPulse": 1500, "usPerDegree": 11.111 }, "1": { "usPerDegree": -9 } },
            "linksMm": { "baseHeight": 70, "upperArm": 105, "forearm": 98, "hand": 150 }
          },
          "motion": { "easing": "inOutSine", "stepMs": 20 },
          "export": { "pins": { "5": 3, "6": 5, "4": 6, "3": 9, "2": 10, "1": 11 } }
        })";
        const armprofile::Reading reading = armprofile::parse(example);
        QVERIFY(reading.problems.isEmpty());
        const ArmProfile &profile = reading.profile;
        QCOMPARE(profile.channels.channel(6).homePulse, 1600);
        QCOMPARE(profile.channels.describe(5), QStringLiteral("底座旋转 · 板上通道 #5"));
        QCOMPARE(profile.arm.calibrationOf(arm::Joint::Base).usPerDegree, 11.111);
        QCOMPARE(profile.arm.calibrationOf(arm::Joint::Gripper).usPerDegree, -9.0);
        QCOMPARE(profile.easingOf(6), easing::Curve::OutQuad);
        QCOMPARE(profile.easingOf(5), easing::Curve::InOutSine);
        // The example's pins are the defaults.
        QCOMPARE(profile.exportPins, ArmProfile().exportPins);
        QCOMPARE(armprofile::parse(armprofile::toJson(profile)).profile, profile);
    }

    // Easing and pins are written only when they are not the defaults, and
    // read back as written; a channel's own easing wins over the sequence's.
    void easingAndPinsRoundTrip_data()
    {
        QTest::addColumn<ArmProfile>("profile");
        QTest::addColumn<easing::Curve>("channelFive");
        const ArmProfile board;
        QTest::newRow("the board as it comes") << board << easing::Curve::Linear;
        ArmProfile sequence;
        sequence.motion.easing = easing::Curve::InOutCubic;
        QTest::newRow("the sequence's easing") << sequence << easing::Curve::InOutCubic;
        ArmProfile stepOnly;
        stepOnly.motion.stepMs = easing::mostStepMs;
        QTest::newRow("the step alone") << stepOnly << easing::Curve::Linear;
        ArmProfile own = sequence;
        own.channels.channel(5).easing = easing::Curve::OutSine;
        QTest::newRow("a channel's own") << own << easing::Curve::OutSine;
        ArmProfile ownLinear = sequence;
        ownLinear.channels.channel(5).easing = easing::Curve::Linear;
        QTest::newRow("a channel's own linear") << ownLinear << easing::Curve::Linear;
        ArmProfile pins;
        pins.exportPins.erase(5);
        pins.exportPins[31] = 13;
        QTest::newRow("other pins") << pins << easing::Curve::Linear;
        ArmProfile noPins;
        noPins.exportPins.clear();
        QTest::newRow("no pins") << noPins << easing::Curve::Linear;
    }
    void easingAndPinsRoundTrip()
    {
        QFETCH(ArmProfile, profile);
        QFETCH(easing::Curve, channelFive);
        const QByteArray json = armprofile::toJson(profile);
        const armprofile::Reading reading = armprofile::parse(json);
        QCOMPARE(reading.problems, QList<armprofile::Problem>());
        QCOMPARE(reading.profile, profile);
        QCOMPARE(reading.profile.easingOf(5), channelFive);
        const QJsonObject top = QJsonDocument::fromJson(json).object();
        QCOMPARE(top.contains(u"motion"), !(profile.motion == ArmProfile::Motion()));
        QCOMPARE(top.contains(u"export"), profile.exportPins != ArmProfile().exportPins);
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

    // A planted link at arm.json never makes a write replace the file it
    // points to: the link becomes a file of its own, with the mode of the file
    // it pointed to, and that file keeps its bytes and its owner.
    void writeNeverGoesThroughALink_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a file of mine") << "mine";
        QTest::newRow("another user's file") << "theirs";
        QTest::newRow("no file") << "none";
    }
    void writeNeverGoesThroughALink()
    {
        QFETCH(QString, target);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("arm.json"));
        const QString pointed = dir.filePath(QStringLiteral("elsewhere"));
        const QByteArray theirs("not a profile\n");
        if (target != u"none") {
            QVERIFY(writeAll(pointed, theirs));
            QVERIFY(QFile::setPermissions(pointed, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        if (target == u"theirs") {
            const QString reason = filefaults::giveToAnotherUser(pointed);
            if (!reason.isEmpty())
                QSKIP(qPrintable(reason));
        }
        const QFileInfo before(pointed);
        QVERIFY(QFile::link(pointed, path));

        ArmProfile profile;
        profile.channels.channel(5).name = QStringLiteral("底座");
        QCOMPARE(armprofile::write(path, profile), std::nullopt);

        const QFileInfo written(path);
        QVERIFY(!written.isSymLink());
        QCOMPARE(armprofile::read(path).profile, profile);
        if (target == u"none") {
            QVERIFY(!QFileInfo::exists(pointed));
        } else {
            QCOMPARE(readAll(pointed), theirs);
            const QFileInfo after(pointed);
            QCOMPARE(after.ownerId(), before.ownerId());
            QCOMPARE(after.lastModified(), before.lastModified());
            constexpr QFile::Permissions userFlags = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
            QCOMPARE(written.permissions() & ~userFlags, before.permissions() & ~userFlags);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 target == u"none" ? QStringList{"arm.json"} : QStringList({"arm.json", "elsewhere"}));
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
