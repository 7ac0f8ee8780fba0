#include "link/writerule.h"
#include "sequence/playback.h"
#include "sequence/sequenceeditor.h"
#include "support/fakeserialport.h"
#include "support/recordingnotifier.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <functional>
#include "support/testmain.h"

namespace {

const Message okMessage{Message::Icon::None, {}, QStringLiteral("ok")};
const QString line1 = QStringLiteral("Time100   #1P1500S300\r");
const QString line2 = QStringLiteral("Time100   #2P1500S300\r");

// What the test sees right after each tick of Timer1.
struct Tick { qint64 at; int period; QString mark; qsizetype writes; };

// The lines of a sequence text, each with its CR.
QStringList linesOf(const QString &text)
{
    QStringList lines = text.split(u'\r');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        lines[i] += u'\r';
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

struct Bench {
    Bench()
    {
        // Connected after Playback's own slot, so it sees what each tick did.
        QObject::connect(&timer, &QTimer::timeout, &playback, [this] {
            ticks.append({clock.elapsed(), playback.period(), editor.selectedText(), port.writes.size()});
            if (onTick)
                onTick(ticks.size());
        });
    }
    bool openPort() { return port.setCommPort(1).ok() && port.setPortOpen(true).ok(); }
    void run(const QString &text)
    {
        editor.setText(text);
        clock.start();
        playback.run();
    }

    SequenceEditor editor;
    FakeSerialPort port;
    RecordingNotifier notifier;
    PortWriter writer{port, notifier, nullptr};
    QTimer timer;
    Playback playback{editor, timer, writer, notifier, nullptr};
    QElapsedTimer clock;
    QList<Tick> ticks;
    std::function<void(qsizetype)> onTick;
};

} // namespace

class TestPlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QList<int>>("periods");
        QTest::addColumn<bool>("endsWithOk");

        const QByteArray one("#1P1500S300\r"), two("#2P1500S300\r"), three("#3P1500S300\r");
        QTest::newRow("empty editor") << "" << QByteArrayList() << QList<int>{100} << true;
        QTest::newRow("lines in order")
            << "Time100   #1P1500S300\rTime300   #2P1500S300\rTime200   #3P1500S300\r"
            << QByteArrayList{one, two, three} << QList<int>{100, 300, 200, 200} << true;
        // The line typed last, without a line break, still ends its command.
        QTest::newRow("last line without CR") << "Time100   #1P1500S300\rTime200   #2P1500S300"
                                              << QByteArrayList{one, two} << QList<int>{100, 200, 200} << true;
        QTest::newRow("empty middle line") << "Time200   #1P1500S300\r\rTime100   #2P1500S300\r"
                                           << QByteArrayList{one, two} << QList<int>{200, 200, 100, 100} << true;
        QTest::newRow("line shorter than 10") << "Time200   #1P1500S300\rTime5#1\rTime100   #2P1500S300\r"
                                              << QByteArrayList{one, two} << QList<int>{200, 200, 100, 100} << true;
        QTest::newRow("letters halt") << "Timeabcd  #1P1500S300\rTime100   #2P1500S300\r"
                                      << QByteArrayList{one} << QList<int>{100} << false;
        QTest::newRow("interval over 32767")
            << "Time200   #1P1500S300\rTime99999 #2P1500S300\rTime100   #3P1500S300\r"
            << QByteArrayList{one, three} << QList<int>{200, 200, 100, 100} << true;
        QTest::newRow("negative interval")
            << "Time200   #1P1500S300\rTime-200  #2P1500S300\rTime100   #3P1500S300\r"
            << QByteArrayList{one, two, three} << QList<int>{200, 200, 100, 100} << true;
        QTest::newRow("time prefix alone") << "Time100   \r" << QByteArrayList{"\r"} << QList<int>{100, 100} << true;
        const QString comment(40'000, u'x');
        QTest::newRow("text beyond 32767") << "Time100   " + comment + "\r" + line2
                                           << QByteArrayList{comment.toLatin1() + '\r', two}
                                           << QList<int>{100, 100, 100} << true;
    }
    void plays()
    {
        QFETCH(QString, text);
        QFETCH(QByteArrayList, writes);
        QFETCH(QList<int>, periods);
        QFETCH(bool, endsWithOk);
        Bench b;
        // A line whose queue takes the 40,000-byte command.
        QVERIFY(b.port.setSettings(QStringLiteral("460800,n,8,1")).ok());
        QVERIFY(b.openPort());
        b.run(text);
        QVERIFY(b.playback.isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(!b.playback.isRunning(), 10'000);
        QVERIFY(!b.timer.isActive());
        QCOMPARE(b.port.writes, writes);
        QCOMPARE(b.notifier.shown, endsWithOk ? QList<Message>{okMessage} : QList<Message>());
        QList<int> seenPeriods;
        for (const Tick &tick : std::as_const(b.ticks))
            seenPeriods.append(tick.period);
        QCOMPARE(seenPeriods, periods);
        // Each played line is marked as it goes out.
        const QStringList lines = linesOf(text);
        for (qsizetype i = 0; i < qMin(lines.size(), b.ticks.size()); ++i)
            QCOMPARE(b.ticks[i].mark, lines[i]);
    }

    void linesLeaveOnTime()
    {
        Bench b;
        QVERIFY(b.openPort());
        b.run(QStringLiteral("Time100   #1P1500S300\rTime300   #2P1500S300\rTime200   #3P1500S300\r"));
        QTRY_COMPARE_WITH_TIMEOUT(b.notifier.shown.size(), 1, 10'000);
        QCOMPARE(b.ticks.size(), 4);
        // The first line goes out 100 ms after Run, each next one the interval of
        // the line before later. Loose upper bounds: the machine is shared.
        const QList<int> waits{100, 100, 300, 200};
        qint64 due = 0, previous = 0;
        for (qsizetype i = 0; i < waits.size(); ++i) {
            due += waits[i];
            const qint64 at = b.ticks[i].at;
            QVERIFY2(at >= due - 5, qPrintable(QStringLiteral("tick %1 at %2 ms, due %3").arg(i).arg(at).arg(due)));
            QVERIFY2(at - previous < waits[i] + 500, qPrintable(QStringLiteral("tick %1 late: %2 ms").arg(i).arg(at)));
            previous = at;
        }
    }

    void portNotOpenStopsBeforeTheMessage()
    {
        Bench b;
        QList<bool> runningWhileShown;
        b.notifier.onShow = [&](const Message &) {
            runningWhileShown.append(b.playback.isRunning() || b.timer.isActive());
        };
        b.run(line1 + line2);
        QTRY_VERIFY_WITH_TIMEOUT(!b.playback.isRunning(), 10'000);
        const Message notOpen{Message::Icon::Critical, QStringLiteral("错误"), QStringLiteral("端口未打开")};
        QCOMPARE(b.notifier.shown, QList<Message>{notOpen});
        QCOMPARE(runningWhileShown, QList<bool>{false});
        QVERIFY(!b.timer.isActive());
        QVERIFY(b.port.writes.isEmpty());
    }

    void otherWriteFailuresAreSkippedSilently()
    {
        Bench b;
        QVERIFY(b.openPort());
        b.port.writeFailure = SerialResult::failure(SerialResult::WriteFailed);
        b.run(QStringLiteral("Time200   #1P1500S300\rTime300   #2P1500S300\r"));
        QTRY_VERIFY_WITH_TIMEOUT(!b.playback.isRunning(), 10'000);
        QCOMPARE(b.notifier.shown, QList<Message>{okMessage});
        QCOMPARE(b.ticks.size(), 3);
        // A line that did not go out does not set the period.
        QCOMPARE(b.playback.period(), 100);
    }

    void runWhilePlayingRestarts()
    {
        Bench b;
        QVERIFY(b.openPort());
        b.onTick = [&](qsizetype tick) {
            if (tick == 1)
                b.playback.run();
        };
        b.run(line1 + line2);
        QTRY_VERIFY_WITH_TIMEOUT(!b.playback.isRunning(), 10'000);
        QCOMPARE(b.port.writes, (QByteArrayList{"#1P1500S300\r", "#1P1500S300\r", "#2P1500S300\r"}));
        QCOMPARE(b.notifier.shown, QList<Message>{okMessage});
    }

    void markStaysOnTheSentLineAfterAnEditAbove()
    {
        Bench b;
        QVERIFY(b.openPort());
        b.onTick = [&](qsizetype tick) {
            if (tick != 1)
                return;
            b.editor.setSelectionStart(0);
            b.editor.setSelectedText(QStringLiteral("Time100   #12P2500S300#13P500S10\r"));
        };
        b.run(line1 + line2 + QStringLiteral("Time100   #3P1500S300\r"));
        QTRY_VERIFY_WITH_TIMEOUT(!b.playback.isRunning(), 10'000);
        QCOMPARE(b.notifier.shown, QList<Message>{okMessage});
        qsizetype sentAfterEdit = 0, written = 0;
        for (qsizetype i = 0; i < b.ticks.size(); ++i) {
            const Tick &tick = b.ticks[i];
            if (tick.writes == written)
                continue;
            written = tick.writes;
            sentAfterEdit += i > 0;
            QCOMPARE(tick.mark.mid(10).toLatin1(), b.port.writes[written - 1]);
        }
        QVERIFY(sentAfterEdit >= 2);
    }
};

SERVO_TEST_MAIN(TestPlayback)
#include "tst_playback.moc"
