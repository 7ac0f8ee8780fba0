// SPDX-License-Identifier: MIT
#include "core/poseline.h"
#include "core/posedraft.h"
#include "core/sequencecursor.h"
#include "core/sequencedocument.h"
#include "engine/poserecording.h"
#include "support/virtualtime.h"

#include <QSignalSpy>
#include <QTest>

#include "support/testmain.h"

using Origin = PoseDraft::Origin;

Q_DECLARE_METATYPE(PoseDraft::Origin)

namespace {

// The recording on the pose being edited and a sequence, in test time; the
// clock does not start at 0.
struct Bench {
    Bench() { time.advance(41'000); }

    VirtualTime time;
    PoseDraft pose;
    SequenceDocument sequence;
    SequenceCursor cursor;
    PoseRecording recording{pose, time, sequence, cursor};

    // Channel 5 dragged from where it stands to `to` over `ms`, a report every 10 ms.
    void drag(int to, qint64 ms, Origin origin = Origin::Operator)
    {
        const int from = pose.pulse(5);
        for (qint64 t = 10; t <= ms; t += 10) {
            time.advance(10);
            pose.move(5, from + int((to - from) * t / ms), origin);
        }
    }
    // The lines put in, each with its CR.
    QString linesPut(const PoseRecording::Lines &lines) const
    {
        QString text;
        for (qsizetype line = lines.first; line < lines.first + lines.count; ++line)
            text += sequence.lineText(line) + u'\r';
        return text;
    }
    // The pose after the lines put in, from the rest pose.
    poseline::Pose played(const PoseRecording::Lines &lines) const
    {
        poseline::Pose after = poseline::restPose();
        for (qsizetype line = lines.first; line < lines.first + lines.count; ++line)
            after = poseline::apply(after, poseline::read(sequence.lineText(line)));
        return after;
    }
};

} // namespace

// 录制 on the pose being edited: which moves it takes, the interval it samples
// in, and where its lines go.
class TestPoseRecording : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Stopped, the lines go in after the current line as one step of the undo
    // history, and the current line is the first of them.
    void linesGoAfterTheCurrentLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("current");
        QTest::addColumn<QString>("after"); // %1: the lines recorded, each with its CR
        QTest::addColumn<qsizetype>("first");
        QTest::newRow("between two lines") << "A\rB\r" << qsizetype(0) << "A\r%1B\r" << qsizetype(1);
        QTest::newRow("after the last line") << "A\rB\r" << qsizetype(1) << "A\rB\r%1" << qsizetype(2);
        QTest::newRow("on the empty line after the last") << "A\rB\r" << qsizetype(2) << "A\rB\r%1" << qsizetype(2);
        QTest::newRow("after a last line without its break") << "A\rB" << qsizetype(1) << "A\rB\r%1" << qsizetype(2);
        QTest::newRow("an empty sequence") << "" << qsizetype(0) << "%1" << qsizetype(0);
        QTest::newRow("a current line past the end") << "A\r" << qsizetype(7) << "A\r%1" << qsizetype(1);
    }
    void linesGoAfterTheCurrentLine()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, current);
        QFETCH(QString, after);
        QFETCH(qsizetype, first);
        Bench b;
        b.sequence.setText(text);
        b.cursor.setLine(current);
        QSignalSpy changes(&b.sequence, &SequenceDocument::changed);
        b.recording.start();
        QVERIFY(b.recording.recording());
        b.drag(1800, 500);
        const PoseRecording::Lines lines = b.recording.stop();
        QVERIFY(!b.recording.recording());
        QCOMPARE(lines.first, first);
        QVERIFY(lines.count > 0);
        QCOMPARE(b.sequence.text(), after.arg(b.linesPut(lines)));
        QCOMPARE(b.played(lines)[5], 1800);
        QCOMPARE(b.cursor.line(), first);
        QCOMPARE(changes.size(), 1);
        // One undo takes all of them out.
        b.sequence.undo();
        QCOMPARE(b.sequence.text(), text);
    }

    // The operator's acting is the live moves; what only shows where the arm
    // went (a glide, a played line, a pose loaded, a stop) is no part of it.
    void onlyLiveMovesAreRecorded_data()
    {
        QTest::addColumn<Origin>("origin");
        QTest::addColumn<bool>("recorded");
        QTest::newRow("a slider or a value box") << Origin::Operator << true;
        QTest::newRow("the solver") << Origin::Solver << true;
        QTest::newRow("a pad or a key") << Origin::Gamepad << true;
        QTest::newRow("a glide") << Origin::Glide << false;
        QTest::newRow("a played line") << Origin::Playback << false;
        QTest::newRow("a pose loaded") << Origin::Load << false;
        QTest::newRow("the emergency stop") << Origin::Stop << false;
    }
    void onlyLiveMovesAreRecorded()
    {
        QFETCH(Origin, origin);
        QFETCH(bool, recorded);
        Bench b;
        b.sequence.setText(QStringLiteral("A\r"));
        b.recording.start();
        b.drag(1200, 300, origin);
        const PoseRecording::Lines lines = b.recording.stop();
        QCOMPARE(lines.count > 0, recorded);
        QCOMPARE(b.sequence.canUndo(), recorded);
        if (recorded)
            QCOMPARE(b.played(lines)[5], 1200);
        else
            QCOMPARE(b.sequence.text(), QStringLiteral("A\r"));
    }

    // A steady drag fills every interval: each line waits the record interval
    // in force when the recording started, held within its range.
    void samplesEveryInterval_data()
    {
        QTest::addColumn<int>("set");
        QTest::addColumn<int>("interval");
        QTest::newRow("the default") << PoseRecorder::defaultIntervalMs << PoseRecorder::defaultIntervalMs;
        QTest::newRow("250 ms") << 250 << 250;
        QTest::newRow("the least") << PoseRecorder::leastIntervalMs << PoseRecorder::leastIntervalMs;
        QTest::newRow("the most") << PoseRecorder::mostIntervalMs << PoseRecorder::mostIntervalMs;
        QTest::newRow("below the least") << PoseRecorder::leastIntervalMs - 1 << PoseRecorder::leastIntervalMs;
        QTest::newRow("above the most") << PoseRecorder::mostIntervalMs + 1 << PoseRecorder::mostIntervalMs;
    }
    void samplesEveryInterval()
    {
        QFETCH(int, set);
        QFETCH(int, interval);
        Bench b;
        b.recording.setIntervalMs(set);
        QCOMPARE(b.recording.intervalMs(), interval);
        b.recording.start();
        // A move in each of six intervals, the last just before the seventh begins.
        const int intervals = 6;
        b.drag(2400, qint64(intervals) * interval - 10);
        b.recording.setIntervalMs(interval == 100 ? 200 : 100); // for the next recording
        const PoseRecording::Lines lines = b.recording.stop();
        QCOMPARE(lines.count, intervals);
        for (qsizetype line = 0; line < lines.count; ++line) {
            const poseline::LineMove move = poseline::read(b.sequence.lineText(line));
            QCOMPARE(move.interval, std::optional<qint16>(qint16(interval)));
        }
        QCOMPARE(b.played(lines)[5], 2400);
    }

    // Dropped, nothing goes in; a recording stopped with nothing moved puts in nothing.
    void nothingGoesIn_data()
    {
        QTest::addColumn<bool>("moved");
        QTest::addColumn<bool>("dropped");
        QTest::newRow("dropped after a drag") << true << true;
        QTest::newRow("stopped without a move") << false << false;
    }
    void nothingGoesIn()
    {
        QFETCH(bool, moved);
        QFETCH(bool, dropped);
        Bench b;
        b.sequence.setText(QStringLiteral("A\rB\r"));
        b.cursor.setLine(1);
        QSignalSpy told(&b.recording, &PoseRecording::recordingChanged);
        b.recording.start();
        if (moved)
            b.drag(900, 400);
        else
            b.time.advance(400);
        if (dropped)
            b.recording.drop();
        QCOMPARE(b.recording.stop().count, 0);
        QVERIFY(!b.recording.recording());
        QCOMPARE(b.sequence.text(), QStringLiteral("A\rB\r"));
        QVERIFY(!b.sequence.canUndo());
        QCOMPARE(b.cursor.line(), qsizetype(1));
        QCOMPARE(told.size(), 2);
        QCOMPARE(told.last().first().toBool(), false);
    }
};

SERVO_TEST_MAIN(TestPoseRecording)
#include "tst_poserecording.moc"
