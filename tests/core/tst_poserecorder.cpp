// SPDX-License-Identifier: MIT
#include "core/linecheck.h"
#include "core/poseline.h"
#include "core/poserecorder.h"
#include "shared/motion.h"

#include <QTest>
#include "support/testmain.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// One channel dragged in a straight line from one pulse to another, relative
// to the start of the recording.
struct Stroke {
    int channel;
    qint64 fromMs;
    qint64 toMs;
    int fromPulse;
    int toPulse;
};

struct Change {
    qint64 atMs;
    int channel;
    int pulse;
};

// How often a dragged slider or a held stick reports its place.
constexpr qint64 pointerStepMs = 16;

// The pose before the strokes: each stroked channel where its first stroke
// begins, the rest at rest.
poseline::Pose startPose(const QList<Stroke> &strokes)
{
    poseline::Pose pose = poseline::restPose();
    std::array<bool, motion::channelCount> placed{};
    for (const Stroke &stroke : strokes) {
        if (!placed[size_t(stroke.channel)])
            pose[size_t(stroke.channel)] = stroke.fromPulse;
        placed[size_t(stroke.channel)] = true;
    }
    return pose;
}

// Every change of the pose the strokes make, in time order; a report that
// leaves a channel where it was is no change.
QList<Change> act(const QList<Stroke> &strokes)
{
    QList<Change> changes;
    for (const Stroke &stroke : strokes) {
        const qint64 span = stroke.toMs - stroke.fromMs;
        for (qint64 t = stroke.fromMs + pointerStepMs; t < stroke.toMs; t += pointerStepMs) {
            const double done = double(t - stroke.fromMs) / double(span);
            changes.append(
                {t, stroke.channel, int(std::lround(stroke.fromPulse + (stroke.toPulse - stroke.fromPulse) * done))});
        }
        changes.append({stroke.toMs, stroke.channel, stroke.toPulse});
    }
    std::stable_sort(changes.begin(), changes.end(), [](const Change &a, const Change &b) { return a.atMs < b.atMs; });
    poseline::Pose pose = startPose(strokes);
    QList<Change> moved;
    for (const Change &change : std::as_const(changes)) {
        if (pose[size_t(change.channel)] != change.pulse)
            moved.append(change);
        pose[size_t(change.channel)] = change.pulse;
    }
    return moved;
}

// The acted pose just before `atMs`.
poseline::Pose actedBefore(const QList<Stroke> &strokes, const QList<Change> &changes, qint64 atMs)
{
    poseline::Pose pose = startPose(strokes);
    for (const Change &change : changes) {
        if (change.atMs < atMs)
            pose[size_t(change.channel)] = change.pulse;
    }
    return pose;
}

} // namespace

Q_DECLARE_METATYPE(Stroke)

// What was recorded plays back through the board's motion model as it was
// acted: at the end of every record interval the played pose is the acted one.
class TestPoseRecorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playsBackAsActed_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<QList<Stroke>>("strokes");
        QTest::addColumn<qint64>("stopMs");
        QTest::addColumn<qint64>("dropMs"); // Esc; -1: never

        const int standard = PoseRecorder::defaultIntervalMs;
        const QList<Stroke> drag = {{5, 0, 1000, 1500, 2100}};
        QTest::newRow("a drag") << standard << drag << qint64(1200) << qint64(-1);
        QTest::newRow("a drag, least interval") << PoseRecorder::leastIntervalMs << drag << qint64(1100) << qint64(-1);
        QTest::newRow("a drag, most interval")
            << PoseRecorder::mostIntervalMs << QList<Stroke>{{5, 0, 3000, 1500, 2100}} << qint64(3500) << qint64(-1);
        // One µs now and then: the speed of a small distance rounds up.
        QTest::newRow("a creeping drag, 30 ms interval")
            << 30 << QList<Stroke>{{5, 0, 400, 1500, 1507}} << qint64(450) << qint64(-1);
        QTest::newRow("a flick") << standard << QList<Stroke>{{5, 0, 100, 1500, 2000}} << qint64(150) << qint64(-1);
        QTest::newRow("a drag back and forth")
            << standard << QList<Stroke>{{5, 0, 500, 1500, 1900}, {5, 500, 1000, 1900, 1200}} << qint64(1000)
            << qint64(-1);
        QTest::newRow("a pause") << standard << QList<Stroke>{{5, 0, 500, 1500, 1800}, {5, 2500, 3000, 1800, 1500}}
                                 << qint64(3100) << qint64(-1);
        QTest::newRow("a pause longer than a line waits")
            << standard << QList<Stroke>{{5, 0, 300, 1500, 1700}, {5, 25'000, 25'300, 1700, 1500}} << qint64(25'400)
            << qint64(-1);
        QTest::newRow("stillness before the first move")
            << standard << QList<Stroke>{{5, 3000, 3500, 1500, 1800}} << qint64(3600) << qint64(-1);
        QTest::newRow("stillness before stopping")
            << standard << QList<Stroke>{{5, 0, 300, 1500, 1800}} << qint64(12'000) << qint64(-1);
        QTest::newRow("two joints") << standard << QList<Stroke>{{5, 0, 800, 1500, 2000}, {6, 400, 1200, 1500, 1000}}
                                    << qint64(1300) << qint64(-1);
        QTest::newRow("two joints from a pose off rest")
            << 50 << QList<Stroke>{{3, 0, 600, 900, 1400}, {4, 200, 500, 2300, 2000}} << qint64(700) << qint64(-1);
        QTest::newRow("Esc during a drag") << standard << drag << qint64(1200) << qint64(500);
        QTest::newRow("Esc after a pause")
            << standard << QList<Stroke>{{5, 0, 500, 1500, 1800}} << qint64(5000) << qint64(4000);
    }

    void playsBackAsActed()
    {
        QFETCH(int, interval);
        QFETCH(QList<Stroke>, strokes);
        QFETCH(qint64, stopMs);
        QFETCH(qint64, dropMs);

        // The clock does not start at 0.
        const qint64 clockAtStart = 73'000;
        const poseline::Pose start = startPose(strokes);
        const QList<Change> changes = act(strokes);
        PoseRecorder recorder;
        recorder.start(start, clockAtStart, interval);
        QCOMPARE(recorder.intervalMs(), interval);
        for (const Change &change : changes) {
            if (dropMs >= 0 && change.atMs >= dropMs)
                break;
            recorder.change(change.channel, change.pulse, clockAtStart + change.atMs);
        }
        if (dropMs >= 0) {
            recorder.drop();
            QVERIFY(!recorder.recording());
            QCOMPARE(recorder.stop(clockAtStart + stopMs), QStringList());
            return;
        }
        const QStringList lines = recorder.stop(clockAtStart + stopMs);
        QVERIFY(!recorder.recording());
        QVERIFY(!lines.isEmpty());

        // Playback time 0 is the start of the first interval with a move.
        const qint64 origin = changes.first().atMs / interval * interval;
        motion::MotionModel board;
        QList<motion::Target> standing;
        for (int channel = 0; channel < motion::channelCount; ++channel)
            standing.append({channel, start[size_t(channel)], {}});
        board.apply(standing, {}, -60'000'000);

        // Where the played pose differs from the acted one at an interval's end
        // up to `playbackMs`; empty where it does not.
        qint64 nextEnd = interval;
        const auto mismatchUpTo = [&](qint64 playbackMs) -> QString {
            for (; nextEnd <= playbackMs; nextEnd += interval) {
                const poseline::Pose acted = actedBefore(strokes, changes, origin + nextEnd);
                for (int channel = 0; channel < motion::channelCount; ++channel) {
                    const double played = board.position(channel, nextEnd * 1000);
                    if (played != acted[size_t(channel)])
                        return QStringLiteral("channel %1 at %2 ms plays at %3 µs, acted at %4 µs")
                            .arg(channel)
                            .arg(nextEnd)
                            .arg(played)
                            .arg(acted[size_t(channel)]);
                }
            }
            return {};
        };

        qint64 departureMs = 0;
        int previousMs = 0;
        for (const QString &line : lines) {
            QVERIFY2(linecheck::playsAsWritten(line), qPrintable(line));
            const poseline::LineMove move = poseline::read(line);
            QVERIFY2(move.sent && move.interval, qPrintable(line));
            const int ms = *move.interval;
            QVERIFY2(ms >= interval && ms <= PoseRecorder::longestLineMs, qPrintable(line));
            // A line without groups carries on a stillness its line before could not hold.
            if (move.targets.isEmpty())
                QCOMPARE(previousMs, PoseRecorder::longestLineMs);

            QCOMPARE(mismatchUpTo(departureMs), QString());
            // Everything has arrived before the line leaves...
            QVERIFY2(board.arrivalUs() <= departureMs * 1000, qPrintable(line));
            // ...and no slower speed would have made it.
            for (const motion::Target &target : move.targets) {
                QVERIFY(target.speed);
                const qint64 speed = *target.speed;
                const qint64 distance =
                    std::llround(std::abs(target.pulse - board.position(target.channel, departureMs * 1000)));
                QVERIFY2(distance > 0, qPrintable(line));
                QVERIFY2(distance * 1000 <= speed * interval, qPrintable(line));
                QVERIFY2(speed == 1 || distance * 1000 > (speed - 1) * interval, qPrintable(line));
            }
            board.apply(move.targets, move.timeMs, departureMs * 1000);
            departureMs += ms;
            previousMs = ms;
        }
        QCOMPARE(mismatchUpTo(departureMs), QString());
        // The lines take the time from the first move to the end of the interval stopped in.
        QCOMPARE(departureMs, (stopMs / interval + 1) * interval - origin);
    }
};

SERVO_TEST_MAIN(TestPoseRecorder)
#include "tst_poserecorder.moc"
