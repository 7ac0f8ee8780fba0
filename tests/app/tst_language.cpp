// SPDX-License-Identifier: MIT
#include "app/statusline.h"
#include "app/translations.h"
#include "core/language.h"
#include "core/programsettings.h"
#include "support/testmain.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QGroupBox>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTranslator>

#include <optional>

// The interface's language at start: Chinese on an English-speaking machine
// until the operator chooses English, in the menu (remembered) or with
// --language (which wins). Qt's own texts follow.
class TestLanguage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(QLocale::system().language(), QLocale::English); }

    void init()
    {
        // The settings file lives in a folder of this test, never the user's
        // (each WindowHarness moves it into a folder of its own).
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    }

    void cleanup()
    {
        // Removes the catalogues the row installed.
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>());
        QFile::remove(programsettings::path());
    }

    void startsIn_data()
    {
        QTest::addColumn<std::optional<Language>>("remembered");
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<Language>("expected");

        QTest::newRow("nothing chosen") << std::optional<Language>() << QString() << Language::Chinese;
        QTest::newRow("English remembered") << std::optional(Language::English) << QString() << Language::English;
        QTest::newRow("Chinese remembered") << std::optional(Language::Chinese) << QString() << Language::Chinese;
        QTest::newRow("--language en") << std::optional<Language>() << u"en"_qs << Language::English;
        QTest::newRow("--language zh over English remembered")
            << std::optional(Language::English) << u"zh"_qs << Language::Chinese;
        QTest::newRow("--language en over Chinese remembered")
            << std::optional(Language::Chinese) << u"en"_qs << Language::English;
    }

    void startsIn()
    {
        QFETCH(std::optional<Language>, remembered);
        QFETCH(QString, commandLine);
        QFETCH(Language, expected);
        if (remembered)
            language::remember(*remembered);

        const Language chosen = language::atStartUp(commandLine);
        QCOMPARE(chosen, expected);
        const QStringList loaded = translations::install(*QCoreApplication::instance(), chosen);
        QVERIFY2(!loaded.isEmpty() || chosen == Language::Chinese, "the English catalogue is not built in");

        WindowHarness h;
        const bool english = expected == Language::English;
        QCOMPARE(h.button("Command1").text(), english ? u"Reset"_qs : u"复位"_qs);
        QCOMPARE(h.button("Command2").text(), english ? u"Add"_qs : u"添加"_qs);
        QCOMPARE(h.child<QGroupBox>(u"Frame1"_qs).title(), english ? u"Port"_qs : u"端口"_qs);
        QCOMPARE(h.child<QGroupBox>(u"Frame4"_qs).title(), english ? u"Command library"_qs : u"指令库"_qs);
        QVERIFY(h.window().findChild<QMenu *>(u"languageMenu"_qs));
        // Qt's own texts follow, where Qt's Chinese catalogue is installed.
        if (!english && !loaded.contains(u"qtbase_zh_CN"_qs))
            return;
        QMessageBox box(QMessageBox::NoIcon, {}, {}, QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::Ok)->text(), english ? u"OK"_qs : u"确定"_qs);
    }

    // A choice in the menu is kept for the next start and said so, in the
    // language chosen; the running interface stays as it is.
    void menuRemembersTheChoice_data()
    {
        QTest::addColumn<Language>("running");
        QTest::addColumn<Language>("chosen");
        QTest::newRow("English from Chinese") << Language::Chinese << Language::English;
        QTest::newRow("Chinese from English") << Language::English << Language::Chinese;
    }
    void menuRemembersTheChoice()
    {
        QFETCH(Language, running);
        QFETCH(Language, chosen);
        translations::install(*QCoreApplication::instance(), running);
        WindowHarness h; // with a settings folder of its own
        language::remember(running);
        const auto action = [&h](Language language) {
            return h.window().findChild<QAction *>(language == Language::English ? u"englishAction"_qs
                                                                                 : u"chineseAction"_qs);
        };
        QVERIFY(action(chosen) && action(running));
        const QString reset = h.button("Command1").text();
        action(chosen)->trigger();
        QVERIFY(action(chosen)->isChecked() && !action(running)->isChecked());
        QCOMPARE(language::remembered(), chosen);
        QCOMPARE(h.notifier.shown.size(), 1);
        const QString told = h.notifier.shown.first().text;
        QVERIFY(!told.isEmpty());
        // Chinese has no Latin letter in it; English no Chinese character.
        const QRegularExpression otherScript(chosen == Language::English ? u"\\p{Han}"_qs : u"[A-Za-z]"_qs);
        QVERIFY2(!told.contains(otherScript), qPrintable(told));
        QCOMPARE(h.button("Command1").text(), reset);
        action(running)->trigger();
        QCOMPARE(language::remembered(), running);
        QCOMPARE(h.notifier.shown.size(), 1); // back to the running language: nothing to say
    }

    // No caption fills its button edge to edge: the text and the style's
    // margins beside it fit the button, on the main window (Command3 in both
    // states) and the windows it opens.
    void captionsFitTheirButtons_data()
    {
        QTest::addColumn<Language>("language");
        QTest::newRow("Chinese") << Language::Chinese;
        QTest::newRow("English") << Language::English;
    }
    void captionsFitTheirButtons()
    {
        QFETCH(Language, language);
        translations::install(*QCoreApplication::instance(), language);
        WindowHarness h;
        h.window().show();
        h.button("Command4").click();
        h.button("Command9").click();
        for (const char *opens : {"channelSetupAction", "workspaceAction"})
            h.child<QAction>(QString::fromLatin1(opens)).trigger();
        QStringList checked;
        const auto checkAll = [&checked] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (!window->isVisible())
                    continue;
                for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
                    if (button->isHidden() || button->text().isEmpty()
                        || !(qobject_cast<QPushButton *>(button) || qobject_cast<QToolButton *>(button)))
                        continue;
                    const QStyle &style = *button->style();
                    const int margins = style.pixelMetric(QStyle::PM_ButtonMargin, nullptr, button)
                                        + 2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
                    const QString caption = QString(button->text()).remove(u'&');
                    const int needed = button->fontMetrics().horizontalAdvance(caption) + margins;
                    QVERIFY2(needed <= button->width(),
                             qPrintable(u"%1 \"%2\": %3 px in %4"_qs.arg(button->objectName(), caption)
                                            .arg(needed)
                                            .arg(button->width())));
                    checked.append(caption);
                }
            }
        };
        checkAll();
        h.connectTo(u"COM1"_qs);
        checkAll();
        QVERIFY2(checked.contains(language == Language::English ? u"Disconnect"_qs : u"断开"_qs),
                 qPrintable(checked.join(u", ")));
        QVERIFY2(checked.contains(language == Language::English ? u"Cancel"_qs : u"取消"_qs),
                 qPrintable(checked.join(u", ")));
    }

    // In English a count agrees with its noun: "1 command", "2 commands".
    void countsAgreeWithTheirNumber_data()
    {
        QTest::addColumn<int>("moves");
        QTest::addColumn<QString>("traffic");
        QTest::addColumn<QString>("discarded");
        QTest::newRow("one") << 1 << u"Sent 12 bytes, 1 command"_qs << u"1 byte (about 0.0 seconds"_qs;
        QTest::newRow("two") << 2 << u"Sent 24 bytes, 2 commands"_qs << u"2 bytes (about 0.0 seconds"_qs;
    }
    void countsAgreeWithTheirNumber()
    {
        QFETCH(int, moves);
        QFETCH(QString, traffic);
        QFETCH(QString, discarded);
        QVERIFY(!translations::install(*QCoreApplication::instance(), Language::English).isEmpty());
        WindowHarness h;
        h.connectTo(u"COM1"_qs);
        for (int move = 0; move < moves; ++move)
            h.slider(0).setValue(1600 + move);
        QCOMPARE(h.child<StatusLine>(u"statusLine"_qs).trafficText(), traffic);
        const PortNotice told{PortNotice::Kind::DiscardedOnClose, moves, h.fake().queueLimit(), 0.0, 3.0};
        QVERIFY2(told.describe().contains(discarded), qPrintable(told.describe()));
    }

private:
    QTemporaryDir m_config;
};

SERVO_TEST_MAIN(TestLanguage)
#include "tst_language.moc"
