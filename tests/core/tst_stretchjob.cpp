// SPDX-License-Identifier: MIT
#include "core/posetimeline.h"
#include "core/sequencedocument.h"
#include "core/stretchjob.h"

#include <QSignalSpy>
#include <QTextCursor>
#include <QTest>

#include "support/testmain.h"

namespace {

// Channel 5 from rest (1500) to 2000 at S300 takes 1667 ms, then between 2000
// and 1000 3333 ms a line, each with 1 ms on the wire at 115200 baud: an
// interval of 1000 is stretched to 1670, then to 3340. Every fifth line waits
// 4000 ms and keeps it; every seventh does not play as written (one blank
// after its interval) and is left alone, holding the pulse before it.
struct Lines {
    QString before;
    QString after;
};

Lines sequence(int count)
{
    Lines lines;
    int pulse = 1500;
    for (int line = 0; line < count; ++line) {
        const bool waits = line % 5 == 4;
        const bool odd = line % 7 == 6;
        if (!odd)
            pulse = pulse == 2000 ? 1000 : 2000;
        const QString command = QStringLiteral("#5P%1S300\r").arg(pulse);
        const QString interval = waits ? u"4000 "_qs : u"1000 "_qs;
        const QString stretched = waits || odd ? interval : line == 0 ? u"1670 "_qs : u"3340 "_qs;
        const QString gap = odd ? u""_qs : u" "_qs;
        lines.before += u"Time"_qs + interval + gap + command;
        lines.after += u"Time"_qs + stretched + gap + command;
    }
    return lines;
}

// The line of the `n`th line that changes, counted from 1; -1 for none.
qsizetype nthChanged(const Lines &lines, qsizetype n)
{
    const QStringList before = lines.before.split(u'\r');
    const QStringList after = lines.after.split(u'\r');
    for (qsizetype line = 0; line < before.size() && n > 0; ++line) {
        if (before[line] != after[line] && --n == 0)
            return line;
    }
    return -1;
}

// Lines `first` to `last` of `after`, the rest of `before`.
QString stretchedBetween(const Lines &lines, qsizetype first, qsizetype last)
{
    QStringList before = lines.before.split(u'\r');
    const QStringList after = lines.after.split(u'\r');
    for (qsizetype line = first; line <= last && line < before.size(); ++line)
        before[line] = after[line];
    return before.join(u'\r');
}

} // namespace

// 拉长间隔以到位 over many lines: in parts, one undo step.
class TestStretchJob : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stretchesTheLinesThatCannotArrive_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<qsizetype>("first");
        QTest::addColumn<qsizetype>("last");
        QTest::addColumn<bool>("atOnce"); // done before start() returns
        QTest::newRow("a few, all") << 12 << qsizetype(0) << qsizetype(11) << true;
        QTest::newRow("a few, some") << 12 << qsizetype(3) << qsizetype(8) << true;
        QTest::newRow("past the end") << 12 << qsizetype(10) << qsizetype(40) << true;
        QTest::newRow("many, all") << int(3 * StretchJob::partLines) << qsizetype(0)
                                   << qsizetype(3 * StretchJob::partLines - 1) << false;
        // Beyond the reach of the fold, which it first folds to.
        QTest::newRow("many, far in") << int(3 * StretchJob::partLines) << 2 * StretchJob::partLines
                                      << 2 * StretchJob::partLines + 50 << false;
    }
    void stretchesTheLinesThatCannotArrive()
    {
        QFETCH(int, lines);
        QFETCH(qsizetype, first);
        QFETCH(qsizetype, last);
        QFETCH(bool, atOnce);
        const Lines text = sequence(lines);
        SequenceDocument document;
        document.setText(text.before);
        PoseTimeline timeline(document);
        StretchJob job(document, timeline, first, last);
        QSignalSpy progress(&job, &SequenceJob::progressed);
        QSignalSpy finished(&job, &SequenceJob::finished);
        job.start();
        QCOMPARE(job.isFinished(), atOnce);
        while (job.advance()) { }
        QCOMPARE(finished.size(), 1);
        QCOMPARE(job.outcome(), SequenceJob::Outcome::Done);
        QCOMPARE(document.text(), stretchedBetween(text, first, last));
        // Part by part it shows its way, to the end.
        QVERIFY(!progress.isEmpty());
        for (qsizetype at = 1; at < progress.size(); ++at)
            QVERIFY(progress[at][0].value<qsizetype>() >= progress[at - 1][0].value<qsizetype>());
        QCOMPARE(job.done(), job.total());
        // All of it one step.
        QVERIFY(document.canUndo());
        document.undo();
        QCOMPARE(document.text(), text.before);
        QVERIFY(!document.canUndo());
    }

    // Stopped, or something else changes the sequence: what was written
    // stays, one step; what was not, is not.
    void stopsWhereItGot_data()
    {
        QTest::addColumn<int>("parts"); // run before it stops: three read, then each writes
        QTest::addColumn<QString>("stop");
        QTest::addColumn<SequenceJob::Outcome>("outcome");
        QTest::newRow("cancelled reading") << 1 << u"cancel"_qs << SequenceJob::Outcome::Cancelled;
        QTest::newRow("cancelled writing") << 4 << u"cancel"_qs << SequenceJob::Outcome::Cancelled;
        QTest::newRow("typed into while reading") << 2 << u"typed"_qs << SequenceJob::Outcome::Interrupted;
        QTest::newRow("edited while writing") << 5 << u"program"_qs << SequenceJob::Outcome::Interrupted;
    }
    void stopsWhereItGot()
    {
        QFETCH(int, parts);
        QFETCH(QString, stop);
        QFETCH(SequenceJob::Outcome, outcome);
        constexpr int readingParts = 3;
        const auto lines = int(readingParts * StretchJob::partLines);
        const Lines text = sequence(lines);
        SequenceDocument document;
        document.setText(text.before);
        PoseTimeline timeline(document);
        StretchJob job(document, timeline, 0, lines - 1);
        job.start();
        for (int part = 1; part < parts; ++part)
            QVERIFY(job.advance());
        if (stop == u"cancel") {
            job.cancel();
        } else {
            if (stop == u"typed")
                QTextCursor(&document.textDocument()).insertText(u"x"_qs);
            else
                document.replace(0, 0, u"x"_qs);
            QVERIFY(!job.advance());
            QVERIFY(document.text().startsWith(u'x'));
            document.undo();
        }
        QCOMPARE(job.outcome(), outcome);
        QVERIFY(!job.advance());
        QCOMPARE(job.changed(), parts > readingParts ? (parts - readingParts) * StretchJob::partLines : 0);
        // The first lines to stretch, and no other.
        QCOMPARE(document.text(), stretchedBetween(text, 0, nthChanged(text, job.changed())));
        if (job.changed() > 0)
            document.undo();
        QCOMPARE(document.text(), text.before);
        QVERIFY(!document.canUndo());
    }
};

SERVO_TEST_MAIN(TestStretchJob)
#include "tst_stretchjob.moc"
