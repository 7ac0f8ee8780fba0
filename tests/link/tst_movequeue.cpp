// SPDX-License-Identifier: MIT
#include "link/linepacer.h"
#include "link/movequeue.h"

#include <QTest>

#include "support/testmain.h"

#include <limits>

namespace {

// "L<channel>=<value>": a live move of the channel.
int channelOf(const QString &item)
{
    return item.mid(1, item.indexOf(u'=') - 1).toInt();
}

} // namespace

// The program's own queue of commands, and the line's pace that decides when
// the device may take the next one.
class TestMoveQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void waitingCommandsMergeOnlyAsLiveMoves_data()
    {
        // Each pushed item: "L<channel>=<value>" a live move, "O<n>" an ordered line.
        QTest::addColumn<QStringList>("pushed");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("a drag of one channel leaves its last value")
            << QStringList{"L3=1", "L3=2", "L3=3"} << QStringList{"L3=3"};
        QTest::newRow("each channel keeps its place")
            << QStringList{"L1=1", "L2=1", "L1=2", "L2=2", "L1=3"} << QStringList{"L1=3", "L2=2"};
        QTest::newRow("ordered lines never merge") << QStringList{"O1", "O1", "O2"} << QStringList{"O1", "O1", "O2"};
        QTest::newRow("a live move behind an ordered line moves after it")
            << QStringList{"L1=1", "O1", "L1=2", "L2=1"} << QStringList{"O1", "L1=2", "L2=1"};
        QTest::newRow("a live move before the ordered lines replaces in place")
            << QStringList{"O1", "L1=1", "L1=2", "O2"} << QStringList{"O1", "L1=2", "O2"};
    }
    void waitingCommandsMergeOnlyAsLiveMoves()
    {
        QFETCH(QStringList, pushed);
        QFETCH(QStringList, sent);
        MoveQueue queue;
        qint64 ordered = 0;
        for (const QString &item : pushed) {
            const QByteArray bytes = item.toLatin1() + '\r';
            if (item.startsWith(u'L')) {
                queue.pushLive(channelOf(item), item, bytes, std::numeric_limits<qint64>::max());
            } else {
                queue.pushOrdered(item, bytes);
                ordered += bytes.size();
            }
        }
        QCOMPARE(queue.orderedBytes(), ordered);
        qint64 waiting = 0;
        for (const QString &item : sent)
            waiting += item.size() + 1;
        QCOMPARE(queue.bytes(), waiting);
        QStringList out;
        while (!queue.empty()) {
            const MoveQueue::Command command = queue.takeFront();
            QCOMPARE(command.bytes, command.text.toLatin1() + '\r');
            out.append(command.text);
        }
        QCOMPARE(out, sent);
        QCOMPARE(queue.bytes(), 0);
        QCOMPARE(queue.orderedBytes(), 0);
    }

    void liveMovesBeyondTheRoomAreDeferred_data()
    {
        // As above, and "-": the line takes the first command waiting. Every
        // item is its text and a CR: a live move is 5 bytes, "O1" 3. An
        // ordered line is pushed whatever the room (the port checks the bound
        // for it first); live moves keep within the room by themselves.
        QTest::addColumn<QStringList>("pushed");
        QTest::addColumn<qint64>("room");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("deferredAtMost");
        QTest::newRow("a move that does not fit waits as its channel's latest")
            << QStringList{"L1=1", "L2=1", "L3=1", "L3=2"} << qint64(10) << QStringList{"L1=1", "L2=1", "L3=2"} << 1;
        QTest::newRow("a deferred move keeps its turn")
            << QStringList{"L1=1", "L2=1", "L3=1", "L4=1", "L3=2"} << qint64(10)
            << QStringList{"L1=1", "L2=1", "L3=2", "L4=1"} << 2;
        QTest::newRow("room made lets the oldest in, ahead of a newer move")
            << QStringList{"L1=1", "L2=1", "L3=1", "-", "L4=1"} << qint64(10)
            << QStringList{"L1=1", "L2=1", "L3=1", "L4=1"} << 1;
        QTest::newRow("a longer move of a waiting channel that no longer fits")
            << QStringList{"L1=1", "L2=1", "L1=10"} << qint64(10) << QStringList{"L2=1", "L1=10"} << 1;
        QTest::newRow("an ordered line goes after the moves deferred before it")
            << QStringList{"L1=1", "L2=1", "L3=1", "O1"} << qint64(13) << QStringList{"L1=1", "L2=1", "L3=1", "O1"}
            << 1;
        QTest::newRow("a move newer than a line stays behind it")
            << QStringList{"L1=1", "L2=1", "O1", "L1=2"} << qint64(12) << QStringList{"L2=1", "O1", "L1=2"} << 1;
        QTest::newRow("with none waiting, the oldest deferred goes")
            << QStringList{"L1=1", "L2=1", "L3=1", "-", "-", "-"} << qint64(4) << QStringList{"L1=1", "L2=1", "L3=1"}
            << 3;
    }
    void liveMovesBeyondTheRoomAreDeferred()
    {
        QFETCH(QStringList, pushed);
        QFETCH(qint64, room);
        QFETCH(QStringList, sent);
        QFETCH(int, deferredAtMost);
        MoveQueue queue;
        QStringList out;
        qsizetype mostDeferred = 0;
        for (const QString &item : pushed) {
            const QByteArray bytes = item.toLatin1() + '\r';
            if (item == u"-") {
                out.append(queue.takeFront().text);
                queue.admitDeferred(room);
            } else if (item.startsWith(u'L')) {
                queue.pushLive(channelOf(item), item, bytes, room);
            } else {
                queue.pushOrdered(item, bytes);
            }
            if (!item.startsWith(u'O'))
                QVERIFY2(queue.bytes() <= room, qPrintable(item));
            mostDeferred = std::max(mostDeferred, queue.deferredMoves());
        }
        QCOMPARE(mostDeferred, qsizetype(deferredAtMost));
        while (!queue.empty())
            out.append(queue.takeFront().text);
        QCOMPARE(out, sent);
        QCOMPARE(queue.bytes(), 0);
        QCOMPARE(queue.deferredBytes(), 0);
        QCOMPARE(queue.deferredMoves(), 0);
    }

    void backlogFollowsTheLinesRate_data()
    {
        QTest::addColumn<QList<qint64>>("handedAt"); // pairs: bytes, at µs
        QTest::addColumn<qint64>("askedAt");
        QTest::addColumn<qint64>("backlog");
        QTest::addColumn<qint64>("usUntil115");
        // 11,520 bytes/s: 1,000 µs carry 11.52 bytes.
        QTest::newRow("nothing handed") << QList<qint64>{} << qint64(5000) << qint64(0) << qint64(0);
        QTest::newRow("just handed") << QList<qint64>{230, 0} << qint64(0) << qint64(230) << qint64(9983);
        QTest::newRow("half gone") << QList<qint64>{230, 0} << qint64(10'000) << qint64(115) << qint64(0);
        QTest::newRow("all gone, never below zero")
            << QList<qint64>{230, 0} << qint64(1'000'000) << qint64(0) << qint64(0);
        QTest::newRow("handed on top of a backlog")
            << QList<qint64>{230, 0, 120, 10'000} << qint64(10'000) << qint64(235) << qint64(10'417);
    }
    void backlogFollowsTheLinesRate()
    {
        QFETCH(QList<qint64>, handedAt);
        QFETCH(qint64, askedAt);
        QFETCH(qint64, backlog);
        QFETCH(qint64, usUntil115);
        LinePacer pacer;
        pacer.setBytesPerSecond(11'520);
        for (qsizetype i = 0; i + 1 < handedAt.size(); i += 2)
            pacer.handedOver(handedAt[i], handedAt[i + 1]);
        QCOMPARE(pacer.backlog(askedAt), backlog);
        QCOMPARE(pacer.usUntilBacklogIs(115, askedAt), usUntil115);
        QVERIFY(pacer.backlog(askedAt + pacer.usUntilBacklogIs(115, askedAt)) <= 115);
    }
};

SERVO_TEST_MAIN(TestMoveQueue)
#include "tst_movequeue.moc"
