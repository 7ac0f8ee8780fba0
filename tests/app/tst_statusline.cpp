// SPDX-License-Identifier: MIT
#include "app/statusline.h"
#include "app/translations.h"
#include "common/elidedlabel.h"
#include "common/steadylabel.h"
#include "core/linecheck.h"
#include "engine/engine.h"
#include "shared/commandlimits.h"
#include "support/testmain.h"
#include "support/windowharness.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QToolButton>
#include <QTranslator>

#include <functional>

namespace {

// What a test does to the window to put texts on the status line.
using Scene = std::function<void(WindowHarness &, VirtualTime &, StatusLine &)>;

StatusLine &statusLineOf(WindowHarness &h)
{
    return h.child<StatusLine>(QStringLiteral("statusLine"));
}

// A line of all 32 channels that will not play as written: its interval is
// unreadable, so the whole of it is spelt out in the note.
QString unplayableLine()
{
    QString line = QStringLiteral("Tim?1234  ");
    for (int channel = 0; channel < 32; ++channel)
        line += QStringLiteral("#%1P2500S9999").arg(channel);
    return line;
}

// The device takes nothing more, and a sent command fills the port's queue to
// its bound: a live move from now on waits beyond it.
void fillTheQueue(WindowHarness &h)
{
    h.fake().holdDevice(true);
    const qint64 bound = h.engine().port().queueLimit();
    h.child<QLineEdit>(QStringLiteral("Text3")).setText(QString(bound - 1, u'x'));
    h.button("Command8").click();
    QCOMPARE(h.engine().port().queuedBytes(), bound);
}

// Every note at once, as long as they come, on a line that is not connected:
// Connect refused with a long reason, the command format, a line that will not
// play, a journal that cannot be written, a sequence still coming in, many
// pulses held to their limits, and a passing note.
void everyNoteWhileDisconnected(WindowHarness &h, VirtualTime & /*time*/, StatusLine &line)
{
    h.engine().port().setCommandFormat(CommandFormat::Spaced);
    h.fake().openFailure =
        SerialResult::failure(SerialResult::OpenFailed, QStringLiteral("The device is held by another process "
                                                                       "(/usr/lib/some/very/long/path/to/a/daemon)"));
    h.connectTo(QStringLiteral("COM1000"));
    line.showLineWontPlay(9998, linecheck::readLine(unplayableLine()));
    line.showSentPoseNotSaved(QStringLiteral("/home/operator/.local/share/servo-console/last-sent-pose-COM1000.json: "
                                             "No space left on device"));
    line.showLoading(99, 100, true);
    line.addClamps(1234567, {31, 31, 1000000000, 2500});
    line.showArmGliding(9998);
}

// Playing a long sequence in a loop at a quarter of its speed, paused, with a
// slow line that has fallen behind: bytes waiting and live moves of all 32
// channels waiting beyond the queue.
void playingOnASlowLine(WindowHarness &h, VirtualTime &time, StatusLine &line)
{
    h.engine().port().setCommandFormat(CommandFormat::Spaced);
    h.connectTo(QStringLiteral("COM1000"));
    QVERIFY(h.engine().port().setSettings(QStringLiteral("2400,n,8,1")).ok());
    Playback &playback = h.engine().playback();
    playback.setLooping(true);
    playback.setSpeed(0.25);
    h.button("RunCommand").click();
    time.advance(3000);
    QVERIFY(playback.loopsCompleted() > 0);
    playback.pause();

    fillTheQueue(h);
    for (int channel = 0; channel < 32; ++channel) {
        h.checkBox(channel).setChecked(true);
        h.slider(channel).setValue(2500);
    }
    QVERIFY(!line.waitingMovesText().isEmpty());
    line.addClamps(1234567, {31, 31, 1000000000, 2500});
    line.showLineWontPlay(9998, linecheck::readLine(unplayableLine()));
}

QByteArray threeLines()
{
    return QByteArrayLiteral("Time100  #5P1500S300\rTime100  #5P1600S300\rTime100  #5P1700S300\r");
}

} // namespace

// The status line at its longest texts in both languages, its history of
// notes, the line's settings, and the note of the last pose following the port.
class TestStatusLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        // Removes the catalogues the row installed.
        qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator *>());
    }

    // Nothing is cut without an ellipsis, what is cut is whole in its tooltip,
    // the counters other than the traffic stay whole, and 急停 stays where it was, at the right end.
    void nothingIsCut_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<Scene>("scene");
        for (const auto &[language, name] : {std::pair{Language::Chinese, "Chinese"}, {Language::English, "English"}}) {
            QTest::addRow("%s, every note while disconnected", name) << language << Scene(everyNoteWhileDisconnected);
            QTest::addRow("%s, playing on a slow line", name) << language << Scene(playingOnASlowLine);
        }
    }
    void nothingIsCut()
    {
        QFETCH(Language, language);
        QFETCH(Scene, scene);
        translations::install(*QCoreApplication::instance(), language);
        VirtualTime time;
        WindowHarness::Options options;
        options.time = &time;
        options.sequenceFile = threeLines();
        WindowHarness h(std::move(options));
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        StatusLine &line = statusLineOf(h);
        auto &stop = h.child<QToolButton>(QStringLiteral("emergencyStopButton"));
        const QSize windowSize = h.window().size();
        const QRect stopAt = QRect(stop.mapTo(&h.window(), QPoint()), stop.size());

        scene(h, time, line);
        if (QTest::currentTestFailed())
            return;
        // The counters are refreshed a few times a second.
        QTRY_COMPARE(h.child<SteadyLabel>(QStringLiteral("trafficStatus")).text(), line.trafficText());
        QTRY_COMPARE(h.child<ElidedLabel>(QStringLiteral("waitingMovesStatus")).text(), line.waitingMovesText());
        QCoreApplication::processEvents();

        QCOMPARE(h.window().size(), windowSize);
        QCOMPARE(QRect(stop.mapTo(&h.window(), QPoint()), stop.size()), stopAt);
        const QWidget &row = h.child<QWidget>(QStringLiteral("statusRow"));
        QCOMPARE(stop.geometry().right(), row.contentsRect().right());
        QVERIFY(row.mapTo(&h.window(), QPoint(row.width(), 0)).x() <= h.window().width());

        bool anyCut = false;
        int left = 0;
        for (QObject *child : row.children()) {
            auto *widget = qobject_cast<QWidget *>(child);
            if (!widget || widget->isHidden())
                continue;
            QVERIFY2(widget->x() >= left, qPrintable(widget->objectName()));
            left = widget->geometry().right() + 1;
            auto *label = qobject_cast<ElidedLabel *>(widget);
            if (!label)
                continue;
            const QString shown = label->shownText();
            QVERIFY2(QFontMetricsF(label->font()).horizontalAdvance(shown) <= label->contentsRect().width(),
                     qPrintable(label->objectName() + u": "_qs + shown));
            if (!label->isElided())
                continue;
            anyCut = true;
            QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(label->objectName() + u": "_qs + shown));
            QVERIFY2(label->toolTip().contains(label->text()), qPrintable(label->objectName()));
        }
        QVERIFY(left <= row.width());
        QVERIFY2(anyCut, "the scene is meant to be too long for the line");
        // The traffic is the first counter to give up room when even the
        // counters do not fit; these keep theirs.
        for (const char *counter : {"playbackStatus", "commandFormatStatus", "clampStatus", "waitingMovesStatus"}) {
            const auto &label = h.child<ElidedLabel>(QString::fromLatin1(counter));
            QVERIFY2(!label.isElided(), qPrintable(label.shownText()));
        }
    }

    // The notes are kept, newest first, with the time each appeared on the
    // program's clock, up to the history's capacity; the history button lists them.
    void historyKeepsTheNotes_data()
    {
        QTest::addColumn<int>("notes");
        QTest::newRow("a few") << 3;
        QTest::newRow("more than are kept") << int(StatusHistory::capacity) + 4;
    }
    void historyKeepsTheNotes()
    {
        QFETCH(int, notes);
        VirtualTime time;
        WindowHarness::Options options;
        options.time = &time;
        WindowHarness h(std::move(options));
        StatusLine &line = statusLineOf(h);
        const qsizetype before = qsizetype(line.history().entries().size());
        QVERIFY(before > 0); // the connection's state from the start

        for (int note = 0; note < notes; ++note) {
            time.advance(1500);
            line.showArmGliding(note);
        }

        const std::deque<StatusHistory::Entry> &entries = line.history().entries();
        QCOMPARE(qsizetype(entries.size()), std::min(before + notes, StatusHistory::capacity));
        const qsizetype told = std::min(qsizetype(notes), StatusHistory::capacity);
        for (qsizetype i = 0; i < told; ++i) {
            QCOMPARE(entries[size_t(i)].text, QStringLiteral("载入第 %1 行的姿态：机械臂正滑向它").arg(notes - i));
            if (i > 0)
                QCOMPARE(entries[size_t(i)].at.msecsTo(entries[size_t(i - 1)].at), 1500);
        }

        auto &menu = h.child<QMenu>(QStringLiteral("statusHistoryMenu"));
        menu.popup(QPoint());
        const QList<QAction *> actions = menu.actions();
        menu.hide();
        QCOMPARE(actions.size(), qsizetype(entries.size()));
        QCOMPARE(actions.first()->text(),
                 entries.front().at.toString(QStringLiteral("HH:mm:ss")) + u"  "_qs + entries.front().text);
    }

    // A command format other than the compact one, and the live moves waiting
    // for a slow line, are on the line while they last.
    void lineSettingsShown_data()
    {
        QTest::addColumn<CommandFormat>("format");
        QTest::addColumn<int>("waiting"); // channels moved with the queue full
        QTest::addColumn<QString>("formatText");
        QTest::addColumn<QString>("waitingText");
        QTest::newRow("compact, keeping up") << CommandFormat::Compact << 0 << QString() << QString();
        QTest::newRow("spaced") << CommandFormat::Spaced << 0 << u"命令格式：带空格"_qs << QString();
        QTest::newRow("three moves waiting") << CommandFormat::Compact << 3 << QString() << u"3 个通道等待发送"_qs;
        QTest::newRow("spaced, all channels waiting")
            << CommandFormat::Spaced << 32 << u"命令格式：带空格"_qs << u"32 个通道等待发送"_qs;
    }
    void lineSettingsShown()
    {
        QFETCH(CommandFormat, format);
        QFETCH(int, waiting);
        QFETCH(QString, formatText);
        QFETCH(QString, waitingText);
        WindowHarness h;
        StatusLine &line = statusLineOf(h);
        h.engine().port().setCommandFormat(CommandFormat::Spaced);
        h.engine().port().setCommandFormat(format);
        h.connectTo(QStringLiteral("COM1"));
        QVERIFY(h.engine().port().setSettings(QStringLiteral("2400,n,8,1")).ok());
        fillTheQueue(h);
        for (int channel = 0; channel < waiting; ++channel) {
            h.checkBox(channel).setChecked(true);
            h.slider(channel).setValue(2000);
        }

        QCOMPARE(line.commandFormatText(), formatText);
        QCOMPARE(line.waitingMovesText(), waitingText);
        const auto &formatLabel = h.child<ElidedLabel>(QStringLiteral("commandFormatStatus"));
        const auto &waitingLabel = h.child<ElidedLabel>(QStringLiteral("waitingMovesStatus"));
        QCOMPARE(formatLabel.text(), formatText);
        QCOMPARE(formatLabel.isHidden(), formatText.isEmpty());
        QTRY_COMPARE(waitingLabel.text(), waitingText);
        QCOMPARE(waitingLabel.isHidden(), waitingText.isEmpty());

        // The line catches up: nothing waits any more.
        h.fake().holdDevice(false);
        QCOMPARE(line.waitingMovesText(), QString());
        QTRY_VERIFY(waitingLabel.isHidden());
    }

    // Connect takes the journal of the port it opens: the note of the last
    // pose sent is that board's, or none when that board has none.
    void sentPoseFollowsThePort_data()
    {
        QTest::addColumn<QString>("shownAtStart"); // the port box at start-up
        QTest::addColumn<QString>("connected");
        QTest::addColumn<bool>("noteAtStart");
        QTest::addColumn<bool>("noteAfterConnect");
        QTest::newRow("to the board with a record") << u"COM1"_qs << u"COM2"_qs << false << true;
        QTest::newRow("to a board without one") << u"COM2"_qs << u"COM1"_qs << true << false;
        QTest::newRow("the same board") << u"COM2"_qs << u"COM2"_qs << true << true;
    }
    void sentPoseFollowsThePort()
    {
        QFETCH(QString, shownAtStart);
        QFETCH(QString, connected);
        QFETCH(bool, noteAtStart);
        QFETCH(bool, noteAfterConnect);
        WindowHarness::Options options;
        options.ports = {shownAtStart};
        WindowHarness h(std::move(options));
        // Only COM2's board has been sent anything.
        h.connectTo(u"COM2"_qs);
        h.slider(0).setValue(1600);
        h.button("Command3").click();
        h.restart();
        StatusLine &line = statusLineOf(h);
        const QString known = StatusLine::sentPoseAgeText(0).section(u'：', 0, 0);
        QCOMPARE(line.sentPoseText().startsWith(known), noteAtStart);

        h.connectTo(connected);
        QVERIFY(h.window().portIsOpen());
        QCOMPARE(line.sentPoseText().startsWith(known), noteAfterConnect);
        QCOMPARE(line.sentPoseText().isEmpty(), !noteAfterConnect);
    }
};

SERVO_TEST_MAIN(TestStatusLine)
#include "tst_statusline.moc"
