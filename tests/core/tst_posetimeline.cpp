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
};

SERVO_TEST_MAIN(TestPoseTimeline)
#include "tst_posetimeline.moc"
