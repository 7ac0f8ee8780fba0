// SPDX-License-Identifier: MIT
#include "app/channelsetupdialog.h"
#include "app/statusline.h"
#include "sequence/linehighlighter.h"
#include "sequence/sequenceeditor.h"
#include "support/filebytes.h"
#include "support/windowharness.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTableWidget>
#include <QTest>

#include "support/testmain.h"

namespace {

// Channel 5 (the first column) limited to 900..2100; channel 6 only named.
const QByteArray limitedProfile = R"({"channels": {"5": {"name": "底座旋转", "min": 900, "max": 2100},
                                                    "6": {"name": "肩部"}}})";

QByteArray lastWrite(WindowHarness &h)
{
    return h.fake().writes.isEmpty() ? QByteArray() : h.fake().writes.last();
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
        QTest::newRow("no length") << "linkTable" << 0 << 1 << "0"
                                   << "长度“0”";
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
