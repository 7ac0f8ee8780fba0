// SPDX-License-Identifier: MIT
#include "core/sequencedocument.h"
#include "link/portwriter.h"
#include "engine/playback.h"
#include "support/fakeserialport.h"
#include "support/virtualtime.h"

#include <QTest>

#include <functional>

#include "support/testmain.h"

namespace {

const QByteArray one("#1P1500S300\r"), two("#2P1500S300\r"), three("#3P1500S300\r");

QString lines(int interval, int count)
{
    QString text;
    for (int channel = 1; channel <= count; ++channel)
        text += QStringLiteral("Time%1 #%2P1500S300\r").arg(interval, -5).arg(channel);
    return text;
}

// A write as the far end sees it: what, and when in test time.
struct Departure {
    QByteArray bytes;
    qint64 atMs;
    bool operator==(const Departure &) const = default;
};

// Playback on a document, in test time, writing to a fake port.
struct Bench {
    explicit Bench(const QString &text, bool open = true)
    {
        document.setText(text);
        // A line fast enough for the longest command here to fit its queue.
        if (!port.setSettings(QStringLiteral("460800,n,8,1")).ok())
            qFatal("the fake port refused its settings");
        if (open && !(port.setCommPort(1).ok() && port.openPort().ok()))
            qFatal("the fake port did not open");
        QObject::connect(&playback, &Playback::linePlayed, &playback,
                         [this](qsizetype line) { announced.append(line); });
        QObject::connect(&playback, &Playback::stopped, &playback, [this](Playback::Ending ending) {
            endings.append(ending);
            stoppedAtMs = time.nowMs();
        });
    }
    // Lets `ms` pass, noting each write with the time it left.
    void advance(qint64 ms)
    {
        time.advance(ms, [this] { note(); });
    }
    void note()
    {
        while (departures.size() < port.writes.size())
            departures.append({port.writes[departures.size()], time.nowMs()});
    }
    QByteArrayList written() const { return port.writes; }

    SequenceDocument document;
    FakeSerialPort port;
    // Each time the operator would be told that the port is not open.
    std::function<void()> onNotOpen;
    int notOpenReports = 0;
    PortWriter writer{port, [this] {
                          ++notOpenReports;
                          if (onNotOpen)
                              onNotOpen();
                      }};
    VirtualTime time;
    Playback playback{document, time, time, writer};
    QList<qsizetype> announced;
    QList<Playback::Ending> endings;
    QList<Departure> departures;
    qint64 stoppedAtMs = -1;
};

constexpr qint64 longEnough = 1'000'000; // ms: every sequence here has ended by then

// Piece k of `command` (CR included): the command with "~k" before its CR.
QByteArray piece(const QByteArray &command, int k)
{
    return command.chopped(1) + '~' + QByteArray::number(k) + '\r';
}

// Every command goes out in pieces, one at each of `offsetsMs` after the first.
void playInPieces(Playback &playback, const QList<int> &offsetsMs)
{
    playback.setPieces([offsetsMs](const QString &command) {
        QList<Playback::Piece> pieces;
        for (qsizetype k = 0; k < offsetsMs.size(); ++k)
            pieces.append({QString::fromLatin1(piece(command.toLatin1(), int(k))), offsetsMs[k] * 1000LL});
        return pieces;
    });
}

enum class MidMove { Stop, StopAndDiscard, PauseAndResume, StepWhilePaused, RunAgain };

} // namespace

namespace QTest {
template <>
char *toString(const Departure &departure)
{
    return qstrdup(
        QByteArray(departure.bytes.toPercentEncoding() + " at " + QByteArray::number(departure.atMs)).constData());
}
} // namespace QTest

Q_DECLARE_METATYPE(QList<Departure>)
Q_DECLARE_METATYPE(MidMove)
Q_DECLARE_METATYPE(Playback::Ending)

class TestPlayback : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plays_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<Departure>>("departures");
        QTest::addColumn<QList<qsizetype>>("announced");
        QTest::addColumn<Playback::Ending>("ending");
        QTest::addColumn<qint64>("endsAtMs");

        using E = Playback::Ending;
        QTest::newRow("empty text") << "" << QList<Departure>{} << QList<qsizetype>{} << E::EndOfSequence << 100LL;
        // The first line 100 ms after run(), each next one the interval of the
        // line before later, the end one interval after the last line.
        QTest::newRow("lines in order") << "Time100   #1P1500S300\rTime300   #2P1500S300\rTime200   #3P1500S300\r"
                                        << QList<Departure>{{one, 100}, {two, 200}, {three, 500}}
                                        << QList<qsizetype>{0, 1, 2} << E::EndOfSequence << 700LL;
        QTest::newRow("last line without CR")
            << "Time100   #1P1500S300\rTime200   #2P1500S300" << QList<Departure>{{one, 100}, {two, 200}}
            << QList<qsizetype>{0, 1} << E::EndOfSequence << 400LL;
        // Only the end of the text ends playback: an empty line in the middle
        // is a line too short to send.
        QTest::newRow("empty middle line")
            << "Time200   #1P1500S300\r\rTime100   #2P1500S300\r" << QList<Departure>{{one, 100}, {two, 500}}
            << QList<qsizetype>{0, 1, 2} << E::EndOfSequence << 600LL;
        // A line that cannot be read is announced, sends nothing, and keeps
        // the period in force.
        QTest::newRow("line shorter than 10")
            << "Time200   #1P1500S300\rTime5#1\rTime100   #2P1500S300\r" << QList<Departure>{{one, 100}, {two, 500}}
            << QList<qsizetype>{0, 1, 2} << E::EndOfSequence << 600LL;
        QTest::newRow("interval over 32767")
            << "Time200   #1P1500S300\rTime99999 #2P1500S300\rTime100   #3P1500S300\r"
            << QList<Departure>{{one, 100}, {three, 500}} << QList<qsizetype>{0, 1, 2} << E::EndOfSequence << 600LL;
        QTest::newRow("negative interval keeps the period")
            << "Time200   #1P1500S300\rTime-200  #2P1500S300\rTime100   #3P1500S300\r"
            << QList<Departure>{{one, 100}, {two, 300}, {three, 500}} << QList<qsizetype>{0, 1, 2} << E::EndOfSequence
            << 600LL;
        QTest::newRow("zero interval halts after its line")
            << "Time100   #1P1500S300\rTime0     #2P1500S300\rTime100   #3P1500S300\r"
            << QList<Departure>{{one, 100}, {two, 200}} << QList<qsizetype>{0, 1} << E::ZeroInterval << 200LL;
        QTest::newRow("letters halt") << "Timeabcd  #1P1500S300\rTime100   #2P1500S300\r"
                                      << QList<Departure>{{one, 100}} << QList<qsizetype>{0} << E::ZeroInterval
                                      << 100LL;
        QTest::newRow("time prefix alone")
            << "Time100   \r" << QList<Departure>{{"\r", 100}} << QList<qsizetype>{0} << E::EndOfSequence << 200LL;
        const QString comment(40'000, u'x');
        QTest::newRow("text beyond 32767") << "Time100   " + comment + "\rTime100   #2P1500S300\r"
                                           << QList<Departure>{{comment.toLatin1() + '\r', 100}, {two, 200}}
                                           << QList<qsizetype>{0, 1} << E::EndOfSequence << 300LL;
    }
    void plays()
    {
        QFETCH(QString, text);
        QFETCH(QList<Departure>, departures);
        QFETCH(QList<qsizetype>, announced);
        QFETCH(Playback::Ending, ending);
        QFETCH(qint64, endsAtMs);
        Bench b(text);
        b.playback.run();
        b.advance(longEnough);
        QVERIFY(!b.time.isActive());
        QCOMPARE(b.stoppedAtMs, endsAtMs);
        QCOMPARE(b.departures, departures);
        QCOMPARE(b.announced, announced);
        QCOMPARE(b.endings, QList<Playback::Ending>{ending});
    }

    void pauseKeepsTheRemainingWaitExactly()
    {
        Bench b(lines(1000, 3));
        b.playback.run();
        b.advance(500); // line 1 left at 100; 600 ms of its interval are left
        b.playback.pause();
        b.advance(700);
        QCOMPARE(b.written(), QByteArrayList{one});
        b.playback.resume();
        b.advance(1000);
        QCOMPARE(b.departures, (QList<Departure>{{one, 100}, {two, 1800}}));
    }

    void stepSendsOneLine()
    {
        Bench b(lines(1000, 3));
        // Stopped: the line asked for, and nothing after it.
        QVERIFY(b.playback.stepLine(1));
        QVERIFY(!b.time.isActive());
        QVERIFY(!b.playback.stepLine(7));
        b.advance(longEnough);
        QCOMPARE(b.written(), QByteArrayList{two});

        // Paused: the run's next line, and the run goes on after it.
        b.port.writes.clear();
        b.departures.clear();
        b.playback.run();
        b.advance(100);
        b.playback.pause();
        b.playback.step();
        b.note();
        b.playback.resume();
        b.advance(longEnough);
        QCOMPARE(b.written(), (QByteArrayList{one, two, three}));
    }

    void loopsPlayTheTextAgain()
    {
        Bench b(lines(100, 3));
        b.playback.setLooping(true);
        b.playback.run();
        b.advance(700);
        QCOMPARE(b.playback.loopsCompleted(), 2);
        QCOMPARE(b.written(), (QByteArrayList{one, two, three, one, two, three, one}));
        QCOMPARE(b.departures.last().atMs, 700);
        QVERIFY(b.endings.isEmpty());
    }

    void stopSendsNothingMore()
    {
        Bench b(lines(100, 3));
        b.playback.run();
        b.advance(200);
        b.playback.stop();
        QVERIFY(!b.time.isActive());
        b.advance(longEnough);
        QCOMPARE(b.written(), (QByteArrayList{one, two}));
        QCOMPARE(b.endings, QList<Playback::Ending>{Playback::Ending::Stopped});
        QCOMPARE(b.playback.lastPlayedLine(), 1);
    }

    void runFromStartsAtItsLine()
    {
        Bench b(lines(100, 3));
        b.playback.runFrom(1);
        b.advance(longEnough);
        QCOMPARE(b.departures, (QList<Departure>{{two, 100}, {three, 200}}));
    }

    void runFromGlidesFirst_data()
    {
        QTest::addColumn<int>("glideMs");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QList<Departure>>("departures");
        const QByteArray four("#4P900S300#1P2000S300\r");
        // At half speed, the same animation: the line's speeds halved too.
        const QByteArray fourAtHalf("#4P900S150#1P2000S150\r");
        // Run from line 3 (the fourth): lines 0..2 set channels 1, 2, 3; the
        // glide takes them there, then line 3 follows once the glide is over.
        QTest::newRow("from line 3") << 1500 << qsizetype(3) << 1.0
                                     << QList<Departure>{{"#1P1500#2P1500#3P1500T1500\r", 0}, {four, 1500}};
        QTest::newRow("at half speed, a glide twice as long")
            << 1500 << qsizetype(3) << 0.5 << QList<Departure>{{"#1P1500#2P1500#3P1500T3000\r", 0}, {fourAtHalf, 3000}};
        QTest::newRow("gliding off") << 0 << qsizetype(3) << 1.0 << QList<Departure>{{four, 100}};
        QTest::newRow("nothing moved before the first line")
            << 1500 << qsizetype(0) << 1.0 << QList<Departure>{{one, 100}, {two, 200}};
    }
    void runFromGlidesFirst()
    {
        QFETCH(int, glideMs);
        QFETCH(qsizetype, from);
        QFETCH(double, speed);
        QFETCH(QList<Departure>, departures);
        Bench b(lines(100, 3) + QStringLiteral("Time100   #4P900S300#1P2000S300\r"));
        b.playback.setGlideMs(glideMs);
        b.playback.setSpeed(speed);
        b.playback.runFrom(from);
        b.note();
        b.advance(longEnough);
        QCOMPARE(b.departures.first(departures.size()), departures);
    }

    void speedScalesEveryGap_data()
    {
        QTest::addColumn<double>("speed");
        QTest::newRow("x0.25") << 0.25;
        QTest::newRow("x0.5") << 0.5;
        QTest::newRow("x1") << 1.0;
        QTest::newRow("x2") << 2.0;
    }
    void speedScalesEveryGap()
    {
        QFETCH(double, speed);
        // Intervals of 100, 300 and 250 ms.
        Bench b(QStringLiteral("Time100   #1P1500S300\rTime300   #2P1500S300\rTime250   #3P1500S300\r"));
        b.playback.setSpeed(speed);
        b.playback.run();
        b.advance(longEnough);
        QCOMPARE(b.departures.size(), 3);
        // The first line as at x1; every gap after it scaled exactly.
        QCOMPARE(b.departures[0].atMs, 100);
        QCOMPARE(b.departures[1].atMs - b.departures[0].atMs, qint64(100 / speed));
        QCOMPARE(b.departures[2].atMs - b.departures[1].atMs, qint64(300 / speed));
        QCOMPARE(b.stoppedAtMs - b.departures[2].atMs, qint64(250 / speed));
    }

    void runWhilePlayingRestarts()
    {
        Bench b(lines(100, 2));
        b.playback.run();
        b.advance(150);
        b.playback.run();
        b.advance(longEnough);
        QCOMPARE(b.departures, (QList<Departure>{{one, 100}, {one, 250}, {two, 350}}));
    }

    void aLateTickDoesNotBurst()
    {
        Bench b(lines(100, 3));
        b.playback.run();
        b.advance(100);
        b.time.stall(250); // line 2 was due at 200
        b.advance(longEnough);
        QCOMPARE(b.departures, (QList<Departure>{{one, 100}, {two, 350}, {three, 450}}));
    }

    void portNotOpenStopsBeforeTheMessage()
    {
        Bench b(lines(100, 2), false);
        QList<bool> runningWhileShown;
        b.onNotOpen = [&] { runningWhileShown.append(b.playback.isRunning() || b.time.isActive()); };
        b.playback.run();
        b.advance(longEnough);
        QCOMPARE(runningWhileShown, QList<bool>{false});
        QCOMPARE(b.endings, QList<Playback::Ending>{Playback::Ending::PortNotOpen});
        QVERIFY(b.written().isEmpty());
    }

    void otherWriteFailuresAreSkippedSilently()
    {
        Bench b(QStringLiteral("Time200   #1P1500S300\rTime300   #2P1500S300\r"));
        b.port.writeFailure = SerialResult::failure(SerialResult::WriteFailed);
        b.playback.run();
        b.advance(300);
        // A line that did not go out does not set the period.
        QCOMPARE(b.announced, (QList<qsizetype>{0, 1}));
        QCOMPARE(b.endings, QList<Playback::Ending>{Playback::Ending::EndOfSequence});
        QCOMPARE(b.notOpenReports, 0);
        QCOMPARE(b.playback.period(), 100);
    }

    // A command in pieces: the first leaves with the line, each other one at
    // its time after it, until the next line leaves; nothing follows the last
    // line, whose pieces all go out.
    void piecesGoOutAtTheirTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("offsetsMs");
        QTest::addColumn<QList<Departure>>("departures");
        QTest::addColumn<Playback::Ending>("ending");
        QTest::addColumn<qint64>("endsAtMs");

        using E = Playback::Ending;
        QTest::newRow("each at its time")
            << lines(100, 2) << QList<int>{0, 30, 60}
            << QList<Departure>{{piece(one, 0), 100}, {piece(one, 1), 130}, {piece(one, 2), 160},
                                {piece(two, 0), 200}, {piece(two, 1), 230}, {piece(two, 2), 260}}
            << E::EndOfSequence << 300LL;
        QTest::newRow("the next line drops the rest, the last line's go on") << lines(50, 2) << QList<int>{0, 30, 60}
                                                                             << QList<Departure>{{piece(one, 0), 100},
                                                                                                 {piece(one, 1), 130},
                                                                                                 {piece(two, 0), 150},
                                                                                                 {piece(two, 1), 180},
                                                                                                 {piece(two, 2), 210}}
                                                                             << E::EndOfSequence << 200LL;
        QTest::newRow("one due as the next line leaves is dropped")
            << lines(50, 2) << QList<int>{0, 50}
            << QList<Departure>{{piece(one, 0), 100}, {piece(two, 0), 150}, {piece(two, 1), 200}} << E::EndOfSequence
            << 200LL;
        QTest::newRow("an interval of 0 halts, the move goes on")
            << "Time0     #1P1500S300\r" << QList<int>{0, 30, 60}
            << QList<Departure>{{piece(one, 0), 100}, {piece(one, 1), 130}, {piece(one, 2), 160}} << E::ZeroInterval
            << 100LL;
        // The line that sends nothing still starts its time: the move before stops there.
        QTest::newRow("a line not sent ends the move before it")
            << "Time50    #1P1500S300\rTime5#1\rTime100   #2P1500S300\r" << QList<int>{0, 30, 60}
            << QList<Departure>{{piece(one, 0), 100},
                                {piece(one, 1), 130},
                                {piece(two, 0), 200},
                                {piece(two, 1), 230},
                                {piece(two, 2), 260}}
            << E::EndOfSequence << 300LL;
    }
    void piecesGoOutAtTheirTimes()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, offsetsMs);
        QFETCH(QList<Departure>, departures);
        QFETCH(Playback::Ending, ending);
        QFETCH(qint64, endsAtMs);
        Bench b(text);
        playInPieces(b.playback, offsetsMs);
        QList<QString> announced;
        connect(&b.playback, &Playback::sent, this,
                [&announced](const QString &command, Playback::Sent) { announced.append(command); });
        b.playback.run();
        b.advance(longEnough);
        QCOMPARE(b.departures, departures);
        QCOMPARE(b.endings, QList<Playback::Ending>{ending});
        QCOMPARE(b.stoppedAtMs, endsAtMs);
        QVERIFY(!b.time.isActive());
        QCOMPARE(b.playback.piecesWaiting(), 0);
        // Each line is announced once, as it reads: not its pieces.
        for (const QString &command : announced)
            QVERIFY2(!command.contains(u'~'), qPrintable(command));
    }

    // The operator in the middle of a line's pieces (at 250 ms: line 1 left at
    // 100 ms, its pieces at 200, 300 and 400 are to come).
    void operatorInTheMiddleOfAMove_data()
    {
        QTest::addColumn<MidMove>("action");
        QTest::addColumn<QList<Departure>>("departures");

        const Departure first{piece(one, 0), 100}, second{piece(one, 1), 200};
        QTest::newRow("stop: nothing more") << MidMove::Stop << QList<Departure>{first, second};
        QTest::newRow("Esc: nothing more") << MidMove::StopAndDiscard << QList<Departure>{first, second};
        // Paused from 250 to 650: the rest of the move and the next line 400 ms later.
        QTest::newRow("pause and resume: the rest later by the pause") << MidMove::PauseAndResume
                                                                       << QList<Departure>{first,
                                                                                           second,
                                                                                           {piece(one, 2), 700},
                                                                                           {piece(one, 3), 800},
                                                                                           {piece(two, 0), 1000},
                                                                                           {piece(two, 1), 1100},
                                                                                           {piece(two, 2), 1200},
                                                                                           {piece(two, 3), 1300}};
        // Stepped at 300 while paused: line 2 and all its pieces from then, not
        // shifted by the resume at 700.
        QTest::newRow("a line stepped while paused")
            << MidMove::StepWhilePaused << QList<Departure>{first,
                                                            second,
                                                            {piece(two, 0), 300},
                                                            {piece(two, 1), 400},
                                                            {piece(two, 2), 500},
                                                            {piece(two, 3), 600}};
        // The move goes on until the first line leaves again, 100 ms after Run.
        QTest::newRow("run again") << MidMove::RunAgain
                                   << QList<Departure>{first,
                                                       second,
                                                       {piece(one, 2), 300},
                                                       {piece(one, 0), 350},
                                                       {piece(one, 1), 450},
                                                       {piece(one, 2), 550},
                                                       {piece(one, 3), 650},
                                                       {piece(two, 0), 850},
                                                       {piece(two, 1), 950},
                                                       {piece(two, 2), 1050},
                                                       {piece(two, 3), 1150}};
    }
    void operatorInTheMiddleOfAMove()
    {
        QFETCH(MidMove, action);
        QFETCH(QList<Departure>, departures);
        Bench b(lines(500, 2));
        playInPieces(b.playback, {0, 100, 200, 300});
        b.playback.run();
        b.advance(250);
        switch (action) {
        case MidMove::Stop:
            b.playback.stop();
            break;
        case MidMove::StopAndDiscard:
            b.playback.stopAndDiscard();
            break;
        case MidMove::PauseAndResume:
            b.playback.pause();
            b.advance(400);
            b.playback.resume();
            break;
        case MidMove::StepWhilePaused:
            b.playback.pause();
            b.advance(50);
            b.playback.step();
            b.note();
            b.advance(400);
            b.playback.resume();
            break;
        case MidMove::RunAgain:
            b.playback.run();
            break;
        }
        b.advance(longEnough);
        QCOMPARE(b.departures, departures);
        QVERIFY(!b.time.isActive());
    }

    void anEditAboveDoesNotShiftTheLinePlayed()
    {
        Bench b(lines(100, 3));
        b.playback.run();
        b.advance(100);
        b.document.insertLine(0, QStringLiteral("Time100   #12P2500S300#13P500S10"));
        b.advance(longEnough);
        // Each line announced is the one that went out.
        QCOMPARE(b.announced, (QList<qsizetype>{0, 1, 2, 3}));
        QCOMPARE(b.written(), (QByteArrayList{one, one, two, three}));
    }
};

SERVO_TEST_MAIN(TestPlayback)
#include "tst_playback.moc"
