// SPDX-License-Identifier: MIT
#include "core/posetimeline.h"
#include "core/sequencedocument.h"
#include "core/sequenceline.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>
#include "support/testmain.h"

using Edit = std::function<void(SequenceDocument &)>;
Q_DECLARE_METATYPE(Edit)
Q_DECLARE_METATYPE(easing::Curve)

namespace {

constexpr qsizetype lineCount = 3 * PoseTimeline::chunk + 17;

// Line n moves channel n % 4 to a pulse of its own, every seventh a pause.
QString sequenceText(qsizetype count = lineCount)
{
    QStringList lines;
    for (qsizetype n = 0; n < count; ++n) {
        const int interval = 100 + int(n % 5) * 10;
        lines.append(n % 7 == 6 ? sequenceline::timePrefix(interval)
                                : sequenceline::build(interval, {{int(n % 4), 1000 + int(n % 13) * 50}}, u"2000"_qs));
    }
    return lines.join(u'\r');
}

// The state before each line, folded from the first without checkpoints.
struct Expected {
    poseline::Pose pose;
    qint64 startUs;
};

QList<Expected> foldFromTheStart(const SequenceDocument &document)
{
    QList<Expected> states;
    Expected state{poseline::restPose(), 0};
    int inForce = PoseTimeline::firstPeriod;
    for (qsizetype line = 0; line < document.lineCount(); ++line) {
        states.append(state);
        const poseline::LineMove move = poseline::read(document.lineText(line));
        inForce = poseline::intervalAfter(move, inForce);
        state = {poseline::apply(state.pose, move), state.startUs + qint64(inForce) * 1000};
    }
    states.append(state);
    return states;
}

void compareEveryLine(PoseTimeline &timeline, const SequenceDocument &document)
{
    const QList<Expected> expected = foldFromTheStart(document);
    for (qsizetype line = 0; line < document.lineCount(); ++line) {
        const PoseTimeline::Row &row = timeline.row(line);
        if (row.before.pose != expected[line].pose || row.before.startUs != expected[line].startUs)
            QFAIL(qPrintable(QStringLiteral("line %1 differs").arg(line)));
    }
}

} // namespace

// The fold of the whole sequence: lazily, by checkpoints, following every edit.
class TestPoseTimeline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void followsEdits_data()
    {
        QTest::addColumn<Edit>("edit");
        const qsizetype middle = PoseTimeline::chunk + 3;
        QTest::newRow("a pulse changed in place")
            << Edit([middle](SequenceDocument &d) { d.replaceLine(middle, u"Time100   #1P2222S2000"_qs); });
        QTest::newRow("an interval changed in place")
            << Edit([middle](SequenceDocument &d) { d.replaceLine(middle, u"Time900   #1P1000S2000"_qs); });
        QTest::newRow("a line inserted") << Edit([](SequenceDocument &d) { d.insertLine(2, u"Time300   #9P700"_qs); });
        QTest::newRow("a line removed") << Edit([middle](SequenceDocument &d) { d.removeLine(middle); });
        QTest::newRow("two edits in place, far apart") << Edit([middle](SequenceDocument &d) {
            d.replaceLine(3, u"Time100   #2P2400S2000"_qs);
            d.replaceLine(middle + PoseTimeline::chunk, u"Time100   #3P600S2000"_qs);
        });
        QTest::newRow("the last line unparseable")
            << Edit([](SequenceDocument &d) { d.replaceLine(d.lineCount() - 1, u"Tim"_qs); });
    }
    void followsEdits()
    {
        QFETCH(Edit, edit);
        SequenceDocument document;
        document.setText(sequenceText());
        PoseTimeline timeline(document);
        // Asked for a line before any fold: reached from the checkpoints.
        QCOMPARE(timeline.row(lineCount - 1).before.pose, foldFromTheStart(document)[lineCount - 1].pose);
        while (!timeline.foldMore(100)) { }
        compareEveryLine(timeline, document);
        // A line past the edit read last: the rows before the edit are kept.
        const qsizetype shown = PoseTimeline::chunk + 8;
        timeline.row(shown);
        edit(document);
        QCOMPARE(timeline.row(shown).before.startUs, foldFromTheStart(document)[shown].startUs);
        // Lazily, then once the fold has run to the end.
        compareEveryLine(timeline, document);
        while (!timeline.foldMore(PoseTimeline::chunk)) { }
        compareEveryLine(timeline, document);
        QCOMPARE(timeline.foldedUs(), foldFromTheStart(document).last().startUs);
    }

    // A row far beyond the fold is not computed at once: the fold goes on
    // towards it over turns of the event loop, and tells once it is there.
    void aRowBeyondReachComesLater_data()
    {
        QTest::addColumn<qsizetype>("line");
        QTest::addColumn<bool>("atOnce");
        constexpr qsizetype reachable = (PoseTimeline::reach + 1) * PoseTimeline::chunk;
        QTest::newRow("within reach") << reachable - 1 << true;
        QTest::newRow("just beyond") << reachable << false;
        QTest::newRow("the last line") << 4 * reachable - 1 << false;
    }
    void aRowBeyondReachComesLater()
    {
        QFETCH(qsizetype, line);
        QFETCH(bool, atOnce);
        constexpr qsizetype lines = 4 * (PoseTimeline::reach + 1) * PoseTimeline::chunk;
        SequenceDocument document;
        document.setText(sequenceText(lines));
        PoseTimeline timeline(document);
        QSignalSpy changed(&timeline, &PoseTimeline::changedFrom);
        QCOMPARE(timeline.row(line).known, atOnce);
        QVERIFY(timeline.checkpointCount() <= PoseTimeline::reach + 1);
        for (int turn = 0; turn < lines / PoseTimeline::chunk && changed.isEmpty(); ++turn)
            QCoreApplication::processEvents();
        if (!atOnce)
            QCOMPARE(changed.value(0).value(0).value<qsizetype>(), line);
        const PoseTimeline::Row &row = timeline.row(line);
        QVERIFY(row.known);
        const Expected expected = foldFromTheStart(document)[line];
        QCOMPARE(row.before.pose, expected.pose);
        QCOMPARE(row.before.startUs, expected.startUs);
    }

    void channelsUsedAndLinesInTime()
    {
        SequenceDocument document;
        document.setText(u"Time200   #4P1000S9000\rTime300   #7P2000S9000\rTime400   "_qs);
        PoseTimeline timeline(document);
        QVERIFY(timeline.foldMore(10));
        QCOMPARE(timeline.usedChannels(), (1u << 4) | (1u << 7));
        QCOMPARE(timeline.foldedUs(), 900'000);
        QCOMPARE(timeline.lineAt(0), 0);
        QCOMPARE(timeline.lineAt(199'999), 0);
        QCOMPARE(timeline.lineAt(200'000), 1);
        QCOMPARE(timeline.lineAt(600'000), 2);
        document.removeLine(1);
        QVERIFY(timeline.foldMore(10));
        QCOMPARE(timeline.usedChannels(), 1u << 4);
    }

    // An eased line's rows: the steps that go out before the next line, the
    // board along its curve as they arrive, and the next line starting from
    // where the last of them takes the servo. Channel 0 from rest to 2000 in a
    // second, in steps of 20 ms.
    void easedRows_data()
    {
        QTest::addColumn<easing::Curve>("curve");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("steps");
        QTest::newRow("inOutSine, all of it") << easing::Curve::InOutSine << 1500 << 50;
        QTest::newRow("outQuad, all of it") << easing::Curve::OutQuad << 1500 << 50;
        // Those due before 600 ms: a step every 20 ms from the first.
        QTest::newRow("inOutSine, cut short by the next line") << easing::Curve::InOutSine << 600 << 30;
    }
    void easedRows()
    {
        QFETCH(easing::Curve, curve);
        QFETCH(int, interval);
        QFETCH(int, steps);
        SequenceDocument document;
        document.setText(sequenceline::timePrefix(interval) + u"#0P2000T1000\rTime1000  #0P1000T1000\r"_qs);
        PoseTimeline timeline(document);
        poseline::Easing easing;
        easing.curves[0] = curve;
        easing.stepMs = 20;
        timeline.setEasing(easing);

        const PoseTimeline::Row &eased = timeline.row(0);
        QCOMPARE(eased.steps.size(), steps);
        const qint64 startUs = eased.steps.first().atUs;
        const qint64 endUs = std::min<qint64>(startUs + 1'000'000, qint64(interval) * 1000);
        motion::MotionModel board = eased.before.model;
        qsizetype taken = 0;
        for (qint64 t = startUs; t <= endUs; t += 1000) {
            for (; taken < eased.steps.size() && eased.steps[taken].atUs <= t; ++taken)
                board.apply(eased.steps[taken].targets, eased.steps[taken].timeMs, eased.steps[taken].atUs);
            const double expected = 1500 + 500 * easing::progress(curve, double(t - startUs) / 1e6);
            QVERIFY2(std::abs(board.position(0, t) - expected) <= 5,
                     qPrintable(QStringLiteral("%1 at %2 µs, not %3").arg(board.position(0, t)).arg(t).arg(expected)));
        }
        QCOMPARE(eased.after.target(0), eased.steps.last().targets.last().pulse);
        // The next line sets off from there.
        const PoseTimeline::Row &next = timeline.row(1);
        QCOMPARE(next.before.startUs, qint64(interval) * 1000);
        QCOMPARE(next.before.model.target(0), eased.steps.last().targets.last().pulse);
    }
};

SERVO_TEST_MAIN(TestPoseTimeline)
#include "tst_posetimeline.moc"
