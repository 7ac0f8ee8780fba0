// SPDX-License-Identifier: MIT
#include "core/edithistory.h"

#include <QTest>

#include "support/testmain.h"

namespace {

using Direction = EditHistory::Direction;

// A text the history works on, and the history of its changes.
struct Edited {
    QString text;
    EditHistory history;

    Edited(const QString &start, qsizetype limit = EditHistory::defaultLimit) : text(start), history(limit) { }

    EditHistory::Replace replace()
    {
        return [this](qsizetype position, qsizetype length, const QString &with) {
            const QString replaced = text.mid(position, length);
            text.replace(position, length, with);
            return replaced;
        };
    }
    // Makes a change, and records it as a new step, or as more of `step`.
    quint64 change(qsizetype position, qsizetype length, const QString &with,
                   EditHistory::Typing typing = EditHistory::Typing::No, quint64 step = 0)
    {
        const QString replaced = replace()(position, length, with);
        if (step != 0)
            return history.extend(step, position, with.size(), replaced) ? step : 0;
        return history.record(position, with.size(), replaced, typing);
    }
    int undoAll()
    {
        int steps = 0;
        while (history.undo(replace()))
            ++steps;
        return steps;
    }
};

// One change of a script: at, length replaced, and the new text.
struct Change {
    qsizetype position;
    qsizetype length;
    QString text;
};

} // namespace

Q_DECLARE_METATYPE(QList<Change>)

class TestEditHistory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Each change a step: undone one by one, every text before comes back in
    // turn, and redone, every text after.
    void everyStepComesBack_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QList<Change>>("changes");
        QTest::newRow("inserts") << u"abc"_qs << QList<Change>{{0, 0, u"x"_qs}, {4, 0, u"yz"_qs}, {2, 0, u"\r"_qs}};
        QTest::newRow("removals") << u"abcdef"_qs << QList<Change>{{0, 2, {}}, {3, 1, {}}, {0, 3, {}}};
        QTest::newRow("replacements of other lengths")
            << u"a\rb\rc"_qs << QList<Change>{{0, 1, u"long line"_qs}, {10, 3, u"q"_qs}, {0, 12, u"z"_qs}};
        QTest::newRow("into an empty text") << QString() << QList<Change>{{0, 0, u"a\rb"_qs}, {1, 1, u"--"_qs}};
    }
    void everyStepComesBack()
    {
        QFETCH(QString, start);
        QFETCH(QList<Change>, changes);
        Edited edited(start);
        QStringList texts{start};
        for (const Change &change : changes) {
            edited.change(change.position, change.length, change.text);
            texts.append(edited.text);
        }
        for (qsizetype at = texts.size() - 2; at >= 0; --at) {
            QVERIFY(edited.history.undo(edited.replace()));
            QCOMPARE(edited.text, texts[at]);
        }
        QVERIFY(!edited.history.canUndo());
        for (qsizetype at = 1; at < texts.size(); ++at) {
            QVERIFY(edited.history.redo(edited.replace()));
            QCOMPARE(edited.text, texts[at]);
        }
        QVERIFY(!edited.history.canRedo());
    }

    // Keystrokes join as a text editor joins them, while the text is unsaved.
    void typingJoins_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QList<Change>>("keys");
        QTest::addColumn<int>("savedAfter"); // keys before the text is saved, -1: never
        QTest::addColumn<int>("steps");
        QTest::newRow("typed on") << u"ab"_qs << QList<Change>{{2, 0, u"c"_qs}, {3, 0, u"d"_qs}, {4, 0, u"e"_qs}} << -1
                                  << 1;
        QTest::newRow("typed elsewhere") << u"ab"_qs << QList<Change>{{2, 0, u"c"_qs}, {0, 0, u"d"_qs}} << -1 << 2;
        QTest::newRow("Backspace on") << u"abcd"_qs << QList<Change>{{3, 1, {}}, {2, 1, {}}, {1, 1, {}}} << -1 << 1;
        QTest::newRow("Delete on") << u"abcd"_qs << QList<Change>{{1, 1, {}}, {1, 1, {}}} << -1 << 1;
        QTest::newRow("typed, then deleted") << u"ab"_qs << QList<Change>{{2, 0, u"c"_qs}, {2, 1, {}}} << -1 << 2;
        QTest::newRow("saved between") << u"ab"_qs << QList<Change>{{2, 0, u"c"_qs}, {3, 0, u"d"_qs}} << 1 << 2;
    }
    void typingJoins()
    {
        QFETCH(QString, start);
        QFETCH(QList<Change>, keys);
        QFETCH(int, savedAfter);
        QFETCH(int, steps);
        Edited edited(start);
        for (int key = 0; key < keys.size(); ++key) {
            edited.change(keys[key].position, keys[key].length, keys[key].text, EditHistory::Typing::Yes);
            if (key + 1 == savedAfter)
                edited.history.setModified(false);
        }
        QCOMPARE(edited.undoAll(), steps);
        QCOMPARE(edited.text, start);
    }

    // Past the limit the oldest steps go, the newest always stays; what is
    // left still undoes to the text as it stood after the steps dropped.
    void theOldestStepsGoPastTheLimit_data()
    {
        QTest::addColumn<int>("textLength"); // of each step's text
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("limitTexts"); // the limit, in texts of that length
        QTest::addColumn<bool>("drops");
        QTest::newRow("within") << 100 << 4 << 10 << false;
        QTest::newRow("over") << 100 << 12 << 10 << true;
        QTest::newRow("a step alone over it stays") << 1000 << 3 << 1 << true;
    }
    void theOldestStepsGoPastTheLimit()
    {
        QFETCH(int, textLength);
        QFETCH(int, steps);
        QFETCH(int, limitTexts);
        QFETCH(bool, drops);
        const qsizetype limit = qsizetype(limitTexts) * textLength * qsizetype(sizeof(QChar));
        Edited edited(QString(), limit);
        QStringList texts{edited.text};
        edited.history.setSource(u"0"_qs);
        for (int step = 1; step <= steps; ++step) {
            // Each replaces the whole text: the history holds the one before.
            edited.change(0, edited.text.size(), QString(textLength, QChar(u'a' + step)));
            edited.history.setSource(QString::number(step));
            texts.append(edited.text);
        }
        edited.history.setModified(false);
        const qsizetype bytes = edited.history.bytes();
        const int kept = edited.undoAll();
        QVERIFY(kept >= 1);
        QCOMPARE(edited.history.dropped() > 0, drops);
        QCOMPARE(edited.history.dropped(), steps - kept);
        QCOMPARE(edited.text, texts[steps - kept]);
        QCOMPARE(edited.history.source(), QString::number(steps - kept));
        QVERIFY(bytes <= limit || kept == 1);
        while (edited.history.redo(edited.replace())) { }
        QVERIFY(!edited.history.isModified());
    }

    // Undone in parts and stopped midway: what was undone and what was not
    // are two steps, and the text is between them.
    void stoppedMidwayMakesTwoSteps_data()
    {
        QTest::addColumn<Direction>("direction");
        QTest::addColumn<int>("parts"); // of two replacements each, before the stop
        QTest::newRow("undo, none done") << Direction::Undo << 0;
        QTest::newRow("undo, stopped") << Direction::Undo << 2;
        QTest::newRow("undo, all done") << Direction::Undo << 5;
        QTest::newRow("redo, stopped") << Direction::Redo << 1;
        QTest::newRow("redo, all done") << Direction::Redo << 5;
    }
    void stoppedMidwayMakesTwoSteps()
    {
        QFETCH(Direction, direction);
        QFETCH(int, parts);
        const QString start = u"0123456789"_qs;
        Edited edited(start);
        quint64 step = 0;
        for (int digit = 0; digit < 10; ++digit)
            step = edited.change(digit, 1, QString(QChar(u'a' + digit)), EditHistory::Typing::No, step);
        const QString end = edited.text;
        QCOMPARE(end, u"abcdefghij"_qs);
        edited.history.setModified(false);
        edited.history.setSource(u"end.txt"_qs);
        if (direction == Direction::Redo)
            QVERIFY(edited.history.undo(edited.replace()));
        const QString from = edited.text;
        QVERIFY(edited.history.begin(direction));
        for (int part = 0; part < parts; ++part)
            edited.history.piece(2, edited.replace());
        const qsizetype done = std::min(2 * parts, 10);
        QCOMPARE(edited.history.remaining(), 10 - done);
        QVERIFY(edited.history.isModified());
        edited.history.end();
        QVERIFY(!edited.history.busy());
        // Undoing takes the last replacements back first, redoing makes the first again.
        const QString expected = direction == Direction::Undo ? end.left(10 - done) + start.mid(10 - done)
                                                              : end.left(done) + start.mid(done);
        QCOMPARE(edited.text, expected);
        const bool between = done > 0 && done < 10;
        QCOMPARE(edited.history.canUndo(), direction == Direction::Redo ? done > 0 : done < 10);
        QCOMPARE(edited.history.canRedo(), direction == Direction::Undo ? done > 0 : done < 10);
        if (between) {
            QVERIFY(edited.history.undo(edited.replace()));
            QCOMPARE(edited.text, start);
        }
        while (edited.history.redo(edited.replace())) { }
        QCOMPARE(edited.text, end);
        // The saved state and its source stay with the text as it was saved.
        QVERIFY(!edited.history.isModified());
        QCOMPARE(edited.history.source(), u"end.txt"_qs);
        QCOMPARE(edited.undoAll(), between ? 2 : 1);
        QCOMPARE(edited.text, start);
        QVERIFY(edited.history.isModified());
        QCOMPARE(edited.history.source(), QString());
    }

    // A step is added to only while it is the last and stands.
    void aStepGrowsOnlyWhileLast_data()
    {
        QTest::addColumn<QString>("between"); // u: undo, r: undo and redo, s: another step, n: nothing
        QTest::addColumn<bool>("grows");
        QTest::newRow("nothing between") << u"n"_qs << true;
        QTest::newRow("undone") << u"u"_qs << false;
        QTest::newRow("undone and redone") << u"r"_qs << true;
        QTest::newRow("another step") << u"s"_qs << false;
    }
    void aStepGrowsOnlyWhileLast()
    {
        QFETCH(QString, between);
        QFETCH(bool, grows);
        Edited edited(u"abc"_qs);
        const quint64 step = edited.change(0, 1, u"x"_qs);
        if (between == u"u" || between == u"r")
            edited.history.undo(edited.replace());
        if (between == u"r")
            edited.history.redo(edited.replace());
        if (between == u"s")
            edited.change(2, 1, u"z"_qs);
        QCOMPARE(edited.history.canExtend(step), grows);
        QCOMPARE(edited.change(1, 1, u"y"_qs, EditHistory::Typing::No, step) != 0, grows);
    }
};

SERVO_TEST_MAIN(TestEditHistory)
#include "tst_edithistory.moc"
