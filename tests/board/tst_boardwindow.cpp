// SPDX-License-Identifier: MIT
// The board's window follows its arm profile file while it runs, and speaks
// the language it is given.

#include "board/boardlanguage.h"
#include "board/boardsession.h"
#include "board/boardwindow.h"
#include "board/gaugestrip.h"
#include "board/profilewatcher.h"

#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include "support/testmain.h"

namespace {

enum class Change {
    ReplacedAtomically, // as the console's 通道设置 saves it
    WrittenInPlace,     // as an editor may
    AppearsLater,
    AppearsInAFolderMadeLater,
    Removed,
};

ArmProfile profileNaming(int channel, const QString &name, int baseChannel)
{
    ArmProfile profile;
    profile.channels.channel(channel).name = name;
    profile.arm.channels[size_t(arm::Joint::Base)] = baseChannel;
    return profile;
}

QSpinBox &jointChannel(QWidget &window, arm::Joint joint)
{
    auto *spin = window.findChild<QSpinBox *>(QStringLiteral("jointChannel_%1").arg(int(joint)));
    if (!spin)
        qFatal("no channel box for joint %d", int(joint));
    return *spin;
}

} // namespace

Q_DECLARE_METATYPE(Change)
Q_DECLARE_METATYPE(boardlanguage::Language)

class TestBoardWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        // The board registers in the runtime folder: one of the test's own.
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void cleanup()
    {
        for (QTranslator *translator : qApp->findChildren<QTranslator *>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void followsItsProfileFile_data()
    {
        QTest::addColumn<Change>("change");
        QTest::newRow("replaced by rename") << Change::ReplacedAtomically;
        QTest::newRow("written in place") << Change::WrittenInPlace;
        QTest::newRow("appears later") << Change::AppearsLater;
        QTest::newRow("appears in a folder made later") << Change::AppearsInAFolderMadeLater;
        QTest::newRow("removed") << Change::Removed;
    }
    void followsItsProfileFile()
    {
        QFETCH(Change, change);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path =
            folder.filePath(change == Change::AppearsInAFolderMadeLater ? QStringLiteral("servo-console/arm.json")
                                                                        : QStringLiteral("arm.json"));
        const ArmProfile before = profileNaming(5, QStringLiteral("旧的底座"), 7);
        const ArmProfile after =
            change == Change::Removed ? ArmProfile() : profileNaming(5, QStringLiteral("新的底座"), 9);
        const bool thereAtStart = change != Change::AppearsLater && change != Change::AppearsInAFolderMadeLater;
        if (thereAtStart)
            QCOMPARE(armprofile::write(path, before), std::nullopt);

        BoardSession session({false, {}});
        QVERIFY2(session.start(), qPrintable(session.errorString()));
        ProfileWatcher watcher(path);
        BoardWindow window(session, watcher.reading().profile);
        connect(&watcher, &ProfileWatcher::changed, &window,
                [&window](const armprofile::Reading &reading) { window.applyProfile(reading.profile); });
        const GaugeStrip &gauges = *window.findChild<GaugeStrip *>();
        const ArmProfile &atStart = thereAtStart ? before : ArmProfile();
        QCOMPARE(gauges.names()[5], atStart.channels.channel(5).name);
        QCOMPARE(jointChannel(window, arm::Joint::Base).value(), atStart.arm.channel(arm::Joint::Base));

        switch (change) {
        case Change::ReplacedAtomically:
        case Change::AppearsLater:
            QCOMPARE(armprofile::write(path, after), std::nullopt);
            break;
        case Change::AppearsInAFolderMadeLater:
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QCOMPARE(armprofile::write(path, after), std::nullopt);
            break;
        case Change::WrittenInPlace: {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            const QByteArray bytes = armprofile::toJson(after);
            QCOMPARE(file.write(bytes), bytes.size());
            break;
        }
        case Change::Removed:
            QVERIFY(QFile::remove(path));
            break;
        }
        QTRY_COMPARE(gauges.names()[5], after.channels.channel(5).name);
        QTRY_COMPARE(jointChannel(window, arm::Joint::Base).value(), after.arm.channel(arm::Joint::Base));
        QCOMPARE(watcher.reading().profile, after);
        QVERIFY(watcher.reading().problems.isEmpty());
    }

    // A joint's channel picked in the window stays through a change of the
    // profile that leaves that joint where it was.
    void keepsTheOperatorsJointChannel_data()
    {
        QTest::addColumn<int>("profileShoulder"); // the shoulder's channel in the new profile
        QTest::addColumn<int>("shown");
        const int picked = 12;
        const int shoulder = ArmProfile().arm.channel(arm::Joint::Shoulder);
        QTest::newRow("only a name changes") << shoulder << picked;
        QTest::newRow("the profile moves the joint") << 10 << 10;
    }
    void keepsTheOperatorsJointChannel()
    {
        QFETCH(int, profileShoulder);
        QFETCH(int, shown);
        BoardSession session({false, {}});
        QVERIFY2(session.start(), qPrintable(session.errorString()));
        BoardWindow window(session);
        jointChannel(window, arm::Joint::Shoulder).setValue(12);

        ArmProfile changed = profileNaming(3, QStringLiteral("腕"), ArmProfile().arm.channel(arm::Joint::Base));
        changed.arm.channels[size_t(arm::Joint::Shoulder)] = profileShoulder;
        window.applyProfile(changed);
        QCOMPARE(jointChannel(window, arm::Joint::Shoulder).value(), shown);
        QCOMPARE(window.findChild<GaugeStrip *>()->names()[3], QStringLiteral("腕"));
    }

    // Every caption, the title and a flagged line of the log: in English no
    // Chinese character is left; in Chinese they are as written.
    void speaksTheLanguageAsked_data()
    {
        QTest::addColumn<boardlanguage::Language>("language");
        QTest::addColumn<bool>("chinese");
        QTest::newRow("zh") << boardlanguage::Language::Chinese << true;
        QTest::newRow("en") << boardlanguage::Language::English << false;
    }
    void speaksTheLanguageAsked()
    {
        QFETCH(boardlanguage::Language, language);
        QFETCH(bool, chinese);
        QVERIFY(boardlanguage::install(*qApp, language));
        BoardSession session({false, {}});
        QVERIFY2(session.start(), qPrintable(session.errorString()));
        BoardWindow window(session);
        Q_EMIT session.commandReceived(boardcommand::parse("#40P1500"), session.startUs()); // no channel 40
        const auto *log = window.findChild<QListWidget *>(QStringLiteral("commandLog"));
        QVERIFY(log);
        QTRY_COMPARE(log->count(), 1);

        QStringList texts{window.windowTitle(), log->item(0)->text()};
        for (const QLabel *label : window.findChildren<QLabel *>())
            texts.append(label->text());
        for (const QGroupBox *box : window.findChildren<QGroupBox *>())
            texts.append(box->title());
        // Han characters and the full-width punctuation that goes with them.
        static const QRegularExpression chineseText(QStringLiteral("[\\p{Han}\\x{3000}-\\x{303F}\\x{FF00}-\\x{FFEF}]"));
        QStringList inChinese;
        for (const QString &text : std::as_const(texts)) {
            if (text.contains(chineseText))
                inChinese.append(text);
        }
        QVERIFY(texts.size() > 10);
        if (chinese)
            QVERIFY2(inChinese.size() > texts.size() / 2, qPrintable(texts.join(u'\n')));
        else
            QVERIFY2(inChinese.isEmpty(), qPrintable(inChinese.join(u'\n')));
    }

private:
    QTemporaryDir m_runtime;
};

SERVO_TEST_MAIN(TestBoardWindow)
#include "tst_boardwindow.moc"
