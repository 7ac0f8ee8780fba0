// SPDX-License-Identifier: MIT
#include "app/channelsetupdialog.h"
#include "app/profileui.h"
#include "app/statusline.h"
#include "sequence/linehighlighter.h"
#include "sequence/sequenceeditor.h"
#include "support/filebytes.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "support/testmain.h"

namespace {

// Channel 5 (the first column) limited to 900..2100; channel 6 only named.
const QByteArray limitedProfile = R"({"channels": {"5": {"name": "底座旋转", "min": 900, "max": 2100},
                                                    "6": {"name": "肩部"}}})";

QByteArray lastWrite(WindowHarness &h)
{
    return h.fake().writes.isEmpty() ? QByteArray() : h.fake().writes.last();
}

QAction &action(WindowHarness &h, const char *name)
{
    auto *found = h.window().findChild<QAction *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no action %s", name);
    return *found;
}

ChannelSetupDialog &openChannelSetup(WindowHarness &h)
{
    action(h, "channelSetupAction").trigger();
    auto *dialog = h.window().findChild<ChannelSetupDialog *>(QStringLiteral("channelSetup"));
    if (!dialog || !dialog->isVisible())
        qFatal("通道设置 did not open");
    return *dialog;
}

QString folderOf(WindowHarness &h)
{
    return QFileInfo(h.profilePath()).absolutePath();
}

// Whether `widget` lies whole within `area`, in global coordinates.
bool within(const QRect &area, const QWidget &widget)
{
    return widget.isVisible() && area.contains(QRect(widget.mapToGlobal(QPoint()), widget.size()));
}

// The screen these tests run on is a laptop's: 1366 × 768 (tests/support/smallscreen.json).
QRect smallScreen()
{
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    if (available.height() > 768)
        qFatal("the test needs a small screen, not %d × %d", available.width(), available.height());
    return available;
}

} // namespace

class TestArmProfileWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Every path that sends or records a pulse holds a limited channel to its
    // band and leaves the rest of the bytes alone; without a profile nothing changes.
    void limitsHoldOnEveryPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("profile");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("clamps");
        const struct {
            const char *path;
            QByteArray limited;
            QByteArray unlimited;
        } paths[] = {
            {"slider", "#5P2100S300\r", "#5P2500S300\r"},
            {"add", "Time1000  #5P2100S300\r", "Time1000  #5P2500S300\r"},
            {"modify", "Time1000  #5P2100S300\r", "Time1000  #5P2500S300\r"},
            {"send", "#5P2100S9 #6P2600S9 #4P100\r", "#5P3000S9 #6P2600S9 #4P100\r"},
            {"playback", "#5P900S100#6P400S100\r", "#5P600S100#6P400S100\r"},
            {"step", "#5P900S100#6P400S100\r", "#5P600S100#6P400S100\r"},
        };
        for (const auto &p : paths) {
            const bool wire = QByteArrayView(p.path) == "send" || QByteArrayView(p.path) == "playback"
                              || QByteArrayView(p.path) == "step";
            QTest::addRow("%s, limited", p.path) << QString::fromLatin1(p.path) << true << p.limited << (wire ? 1 : 0);
            QTest::addRow("%s, no profile", p.path) << QString::fromLatin1(p.path) << false << p.unlimited << 0;
        }
    }
    void limitsHoldOnEveryPath()
    {
        QFETCH(QString, path);
        QFETCH(bool, profile);
        QFETCH(QByteArray, expected);
        QFETCH(int, clamps);
        WindowHarness::Options options;
        options.sequenceFile = QByteArray("Time100   #5P600S100#6P400S100\r\n");
        const auto harness = profile ? std::make_unique<WindowHarness>(std::move(options), limitedProfile)
                                     : std::make_unique<WindowHarness>(std::move(options));
        WindowHarness &h = *harness;
        QVERIFY(h.notifier.shown.isEmpty());
        h.connectTo(QStringLiteral("COM1"));
        QVERIFY(h.window().portIsOpen());
        h.fake().writes.clear();
        h.child<QLineEdit>(QStringLiteral("Text2")).setText(QStringLiteral("1000"));
        h.checkBox(5).setChecked(true);
        // Each path's own action; the slider is pushed as far as it goes.
        if (path == u"slider" || path == u"add" || path == u"modify")
            h.slider(5).setValue(2500);
        if (path == u"slider") {
            QCOMPARE(lastWrite(h), expected);
        } else if (path == u"add" || path == u"modify") {
            if (path == u"modify") {
                h.editor().setSelectionStart(0);
                h.editor().setSelectionLength(h.editor().text().indexOf(u'\r') + 1);
            }
            h.button(path == u"add" ? "Command2" : "Command5").click();
            const QString text = h.editor().toPlainText();
            const QString line = path == u"add" ? text.section(u'\n', 1, 1) : text.section(u'\n', 0, 0);
            QCOMPARE(line + u'\r', QString::fromLatin1(expected));
        } else if (path == u"send") {
            h.child<QLineEdit>(QStringLiteral("Text3")).setText(QStringLiteral("#5P3000S9 #6P2600S9 #4P100"));
            h.button("Command8").click();
            QCOMPARE(lastWrite(h), expected);
        } else if (path == u"playback") {
            h.button("RunCommand").click();
            QTRY_VERIFY(!h.fake().writes.isEmpty());
            QCOMPARE(h.fake().writes.first(), expected);
        } else {
            h.window().findChild<QAction *>(QStringLiteral("stepAction"))->trigger();
            QCOMPARE(lastWrite(h), expected);
        }
        const QString counted = clamps ? QStringLiteral("已限位 %1 处").arg(clamps) : QString();
        QCOMPARE(h.child<StatusLine>(QStringLiteral("statusLine")).clampText(), counted);
    }

    // The line mark names each group that goes out held.
    void lineMarkNamesTheClampedGroups()
    {
        WindowHarness::Options options;
        // Intervals long enough for every move: the marks name only the limits.
        options.sequenceFile = QByteArray("Time9999  #6P400S9999#5P600S9999\r\nTime9999  #5P1000S9999\r\n");
        WindowHarness h(std::move(options), limitedProfile);
        auto *highlighter = h.editor().findChild<LineHighlighter *>();
        QVERIFY(highlighter);
        QCOMPARE(highlighter->toolTipFor(0),
                 QStringLiteral("超出通道限位，发送时限位为：\n第 2 组 底座旋转 · 板上通道 #5：600 → 900"));
        QCOMPARE(highlighter->toolTipFor(1), QString());
        QCOMPARE(h.slider(5).toolTip(), QStringLiteral("底座旋转 · 板上通道 #5"));
        QCOMPARE(h.slider(5).minimum(), 900);
        QCOMPARE(h.slider(5).maximum(), 2100);
    }

    // A bad profile is told once at start-up and used for what it has; the
    // file stays as it was until 确定 in the dialog, which asks first.
    void badProfileIsToldAndKept()
    {
        const QByteArray bad = R"({"channels": {"5": {"min": 99}, "6": {"name": "肩部"}}})";
        WindowHarness::Options options;
        WindowHarness h(std::move(options), bad);
        QCOMPARE(h.notifier.shown.size(), 1);
        const QString text = h.notifier.shown.first().text;
        QVERIFY2(text.contains(u"arm.json") && text.contains(u"“channels.5.min”"), qPrintable(text));
        QCOMPARE(h.slider(6).toolTip(), QStringLiteral("肩部 · 板上通道 #6"));
        QCOMPARE(h.window().armProfile().channels().channel(5), ChannelSetup::Channel());
        h.window().close();
        QCOMPARE(readAll(h.profilePath()), bad);

        ChannelSetupDialog dialog(const_cast<CurrentProfile &>(h.window().armProfile()), h.notifier);
        h.notifier.confirmAnswer = false;
        dialog.accept();
        QCOMPARE(h.notifier.shown.size(), 2); // asked, and refused
        QCOMPARE(readAll(h.profilePath()), bad);
        h.notifier.confirmAnswer = true;
        dialog.accept();
        QVERIFY(armprofile::read(h.profilePath()).problems.isEmpty());
        QCOMPARE(armprofile::read(h.profilePath()).profile.channels.channel(6).name, QStringLiteral("肩部"));
    }

    // A value out of range is refused in place, with the reason, and nothing is saved.
    void dialogRefusesValuesOutOfRange_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("min below 500") << "channelTable" << 0 << 3 << "400"
                                       << "第 1 列（板上通道 #5）的最小值“400”";
        QTest::newRow("max no number") << "channelTable" << 1 << 4 << "abc"
                                       << "第 2 列（板上通道 #6）的最大值“abc”";
        QTest::newRow("max below min") << "channelTable" << 0 << 4 << "800"
                                       << "最大值小于最小值";
        QTest::newRow("home outside the limits") << "channelTable" << 0 << 5 << "2200"
                                                 << "初始值“2200”";
        QTest::newRow("joint channel 32") << "jointTable" << 2 << 0 << "32"
                                          << "肘部的通道“32”";
        QTest::newRow("two joints on one channel") << "jointTable" << 1 << 0 << "5"
                                                   << "底座和肩部用了同一个通道 5";
        QTest::newRow("zero slope") << "jointTable" << 0 << 2 << "0"
                                    << "每度 µs“0”";
        const QString gentle = QString::number(-armprofile::leastUsPerDegree / 2);
        QTest::newRow("slope under the least")
            << "jointTable" << 3 << 2 << gentle << QStringLiteral("每度 µs“%1”").arg(gentle);
        QTest::newRow("no length") << "linkTable" << 0 << 1 << "0"
                                   << "长度“0”";
        const QString far = QString::number(armprofile::longestLinkMm + 1);
        QTest::newRow("link over the longest") << "linkTable" << 0 << 2 << far << QStringLiteral("长度“%1”").arg(far);
    }
    void dialogRefusesValuesOutOfRange()
    {
        QFETCH(QString, table);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, reason);
        WindowHarness::Options options;
        WindowHarness h(std::move(options), limitedProfile);
        ChannelSetupDialog dialog(const_cast<CurrentProfile &>(h.window().armProfile()), h.notifier);
        dialog.show();
        auto *cells = dialog.findChild<QTableWidget *>(table);
        cells->item(row, column)->setText(text);
        dialog.accept();
        QVERIFY2(dialog.refusal().contains(reason), qPrintable(dialog.refusal()));
        QVERIFY(dialog.isVisible());
        QCOMPARE(cells->currentRow(), row);
        QCOMPARE(cells->currentColumn(), column);
        QCOMPARE(readAll(h.profilePath()), limitedProfile);
    }

    // 通道设置 left open while 打开序列… takes the profile beside the sequence:
    // an untouched dialog follows the newer limits; one with edits asks before
    // its 确定 replaces them, and keeps everything as it was when told no.
    void staleDialogNeverUndoesNewerLimits_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<bool>("replace");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<int>("savedMaximum");  // channel 5's in arm.json after 确定
        QTest::addColumn<QString>("savedName"); // channel 6's
        QTest::addColumn<int>("maximumInForce");
        QTest::newRow("untouched: follows") << false << false << false << 1800 << QString() << 1800;
        QTest::newRow("edited, kept") << true << false << true << 2100 << "肩部" << 1800;
        QTest::newRow("edited, replacing") << true << true << true << 2100 << "大臂" << 2100;
    }
    void staleDialogNeverUndoesNewerLimits()
    {
        QFETCH(bool, edited);
        QFETCH(bool, replace);
        QFETCH(bool, asked);
        QFETCH(int, savedMaximum);
        QFETCH(QString, savedName);
        QFETCH(int, maximumInForce);
        WindowHarness h({}, limitedProfile);
        ChannelSetupDialog &dialog = openChannelSetup(h);
        auto *channels = dialog.findChild<QTableWidget *>(QStringLiteral("channelTable"));
        if (edited)
            channels->item(1, 2)->setText(QStringLiteral("大臂"));

        const QString folder = folderOf(h);
        QVERIFY(writeAll(folder + QStringLiteral("/wave.arm.json"),
                         R"({"channels": {"5": {"name": "底座旋转", "min": 1200, "max": 1800}}})"));
        h.chosenFile = folder + QStringLiteral("/wave.txt");
        QVERIFY(writeAll(h.chosenFile, "Time100   #5P1500S300\r\n"));
        action(h, "openAction").trigger();
        QCOMPARE(h.window().armProfile().channels().channel(5).maximumPulse, 1800);
        QCOMPARE(channels->item(0, 4)->text(), QString::number(edited ? 2100 : 1800));

        const qsizetype told = h.notifier.shown.size();
        h.notifier.confirmAnswer = replace;
        dialog.accept();
        QCOMPARE(h.notifier.shown.size() - told, asked ? 1 : 0);
        QCOMPARE(dialog.isVisible(), asked && !replace);
        QCOMPARE(h.window().armProfile().channels().channel(5).maximumPulse, maximumInForce);
        const armprofile::Reading saved = armprofile::read(h.profilePath());
        QCOMPARE(saved.problems, QList<armprofile::Problem>());
        QCOMPARE(saved.profile.channels.channel(5).maximumPulse, savedMaximum);
        QCOMPARE(saved.profile.channels.channel(6).name, savedName);
    }

    // A link planted where the profile is saved is replaced by a file of its
    // own; the file it points to keeps its bytes.
    void profileIsNeverWrittenThroughALink_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("通道设置, 确定") << "arm.json";
        QTest::newRow("另存为…, beside the sequence") << "wave.arm.json";
    }
    void profileIsNeverWrittenThroughALink()
    {
        QFETCH(QString, path);
        WindowHarness h({}, limitedProfile);
        const QString folder = folderOf(h);
        const QString link = folder + u'/' + path;
        const QString victim = folder + QStringLiteral("/victim");
        QVERIFY(writeAll(victim, "someone else's\n"));
        QFile::remove(link);
        QVERIFY(QFile::link(victim, link));

        if (path == u"arm.json") {
            ChannelSetupDialog &dialog = openChannelSetup(h);
            dialog.accept();
            QVERIFY(!dialog.isVisible());
        } else {
            h.chosenFile = folder + QStringLiteral("/wave.txt");
            action(h, "saveAsAction").trigger();
            QVERIFY(QFile::exists(h.chosenFile));
        }
        QCOMPARE(readAll(victim), QByteArray("someone else's\n"));
        QVERIFY(!QFileInfo(link).isSymLink());
        QCOMPARE(armprofile::read(link).profile, h.window().armProfile().profile());
    }

    // However large a profile's list of problems, start-up names the first few
    // and counts the rest, in a box that fits a small screen with its button
    // in sight.
    void largeProfileIsToldInABoxThatFits_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<qsizetype>("more");
        QByteArray keys = "{";
        constexpr int keyCount = 90000;
        for (int k = 0; k < keyCount; ++k)
            keys += "\"k" + QByteArray::number(k) + "\":0,";
        keys.back() = '}';
        QVERIFY(keys.size() <= armprofile::sizeLimit);
        QTest::newRow("90,000 unknown keys") << keys << qsizetype(keyCount - profileui::shownProblems);
        QTest::newRow("one key of 500,000 characters") << "{\"" + QByteArray(500000, 'k') + "\": 0}" << qsizetype(0);
        QTest::newRow("an easing of 500,000 characters")
            << "{\"motion\": {\"easing\": \"" + QByteArray(500000, 'e') + "\"}}" << qsizetype(0);
    }
    void largeProfileIsToldInABoxThatFits()
    {
        QFETCH(QByteArray, json);
        QFETCH(qsizetype, more);
        const QRect screen = smallScreen();
        WindowHarness h({}, json);
        QCOMPARE(h.notifier.shown.size(), 1);
        const Message told = h.notifier.shown.first();

        QRect box;
        QRect button;
        QTimer::singleShot(0, [&] {
            auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!shown)
                return;
            box = shown->frameGeometry();
            if (QAbstractButton *ok = shown->button(QMessageBox::Ok); ok && ok->isVisible())
                button = QRect(ok->mapToGlobal(QPoint()), ok->size());
            shown->accept();
        });
        MessageBoxNotifier().show(&h.window(), told);
        QVERIFY(!box.isEmpty());
        QVERIFY2(screen.contains(box), qPrintable(QStringLiteral("%1 × %2").arg(box.width()).arg(box.height())));
        QVERIFY(!button.isEmpty() && screen.contains(button));
        QVERIFY(told.text.contains(u"arm.json"));
        QCOMPARE(told.text.contains(QStringLiteral("……另有 %1 处问题").arg(more)), more > 0);
    }

    // On a laptop's screen the dialog, its 确定 and 取消 and the arm's tables
    // are in sight; the channel rows scroll to the last one.
    void dialogFitsASmallScreen()
    {
        const QRect screen = smallScreen();
        WindowHarness h;
        ChannelSetupDialog &dialog = openChannelSetup(h);
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(screen.contains(dialog.frameGeometry()));
        for (const char *name : {"okButton", "cancelButton"})
            QVERIFY2(within(screen, *dialog.findChild<QPushButton *>(QString::fromLatin1(name))), name);
        for (const char *name : {"jointTable", "linkTable"})
            QVERIFY2(within(screen, *dialog.findChild<QTableWidget *>(QString::fromLatin1(name))), name);
        auto *channels = dialog.findChild<QTableWidget *>(QStringLiteral("channelTable"));
        QVERIFY(within(screen, *channels));
        QTableWidgetItem *last = channels->item(ChannelSetup::count - 1, 0);
        channels->scrollToItem(last);
        QVERIFY(channels->viewport()->rect().contains(channels->visualItemRect(last)));
    }

    // Each channel's easing and the sequence's easing and step are shown and saved.
    void dialogEditsEasing_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QStringList>("shown"); // channel 5's, the sequence's, the step
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QString>("savedChannel"); // empty: the sequence's
        QTest::newRow("from the board as it comes")
            << QByteArray("{}") << QStringList{"同序列", "linear", QString::number(easing::defaultStepMs)}
            << QStringList{"inQuad", "inOutSine", QString::number(easing::mostStepMs)} << "inQuad";
        QTest::newRow("back to the sequence's")
            << QByteArray(
                   R"({"channels": {"5": {"easing": "outQuad"}}, "motion": {"easing": "inCubic", "stepMs": 30}})")
            << QStringList{"outQuad", "inCubic", "30"}
            << QStringList{"同序列", "linear", QString::number(easing::leastStepMs)} << QString();
    }
    void dialogEditsEasing()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, chosen);
        QFETCH(QString, savedChannel);
        WindowHarness h({}, profile);
        ChannelSetupDialog &dialog = openChannelSetup(h);
        auto *channelEasing = qobject_cast<QComboBox *>(
            dialog.findChild<QTableWidget *>(QStringLiteral("channelTable"))->cellWidget(0, 6));
        auto *sequenceEasing = dialog.findChild<QComboBox *>(QStringLiteral("sequenceEasing"));
        auto *step = dialog.findChild<QSpinBox *>(QStringLiteral("stepMs"));
        QVERIFY(channelEasing && sequenceEasing && step);
        QCOMPARE(
            (QStringList{channelEasing->currentText(), sequenceEasing->currentText(), QString::number(step->value())}),
            shown);
        channelEasing->setCurrentText(chosen[0]);
        sequenceEasing->setCurrentText(chosen[1]);
        step->setValue(chosen[2].toInt());
        dialog.accept();
        QVERIFY(dialog.refusal().isEmpty());

        const armprofile::Reading saved = armprofile::read(h.profilePath());
        QCOMPARE(saved.problems, QList<armprofile::Problem>());
        QCOMPARE(saved.profile, h.window().armProfile().profile());
        QCOMPARE(saved.profile.channels.channel(5).easing,
                 savedChannel.isEmpty() ? std::nullopt : easing::fromName(savedChannel));
        QCOMPARE(saved.profile.motion.easing, easing::fromName(chosen[1]).value());
        QCOMPARE(saved.profile.motion.stepMs, chosen[2].toInt());
    }

    // 确定 writes the profile and the window follows it at once.
    void dialogAppliesAndSaves()
    {
        WindowHarness h;
        QVERIFY(!QFile::exists(h.profilePath()));
        auto *open = h.window().findChild<QAction *>(QStringLiteral("channelSetupAction"));
        QVERIFY(open);
        open->trigger();
        auto *dialog = h.window().findChild<ChannelSetupDialog *>(QStringLiteral("channelSetup"));
        QVERIFY(dialog && dialog->isVisible());
        auto *channels = dialog->findChild<QTableWidget *>(QStringLiteral("channelTable"));
        channels->item(0, 2)->setText(QStringLiteral("底座"));
        channels->item(0, 4)->setText(QStringLiteral("2000"));
        dialog->accept();
        QVERIFY(dialog->refusal().isEmpty());
        QCOMPARE(h.slider(5).maximum(), 2000);
        QCOMPARE(h.slider(5).toolTip(), QStringLiteral("底座 · 板上通道 #5"));
        const armprofile::Reading saved = armprofile::read(h.profilePath());
        QVERIFY(saved.problems.isEmpty());
        QCOMPARE(saved.profile, h.window().armProfile().profile());
    }
};

SERVO_TEST_MAIN(TestArmProfileWindow)
#include "tst_armprofile_window.moc"
