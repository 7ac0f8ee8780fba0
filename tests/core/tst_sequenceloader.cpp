// SPDX-License-Identifier: MIT
#include "core/sequencedocument.h"
#include "core/sequenceloader.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>
#include "support/testmain.h"

using Action = std::function<void(SequenceDocument &)>;
Q_DECLARE_METATYPE(Action)

namespace {

// `lines` lines ended by `lineBreak`, the last one open when `openEnd`.
QString lines(int count, const QString &lineBreak, bool openEnd = false)
{
    QString text;
    for (int n = 0; n < count; ++n)
        text += QStringLiteral("Time100   #%1P%2S300").arg(n % 32).arg(500 + n % 2001)
                + (openEnd && n == count - 1 ? QString() : lineBreak);
    return text;
}

// What setText() makes of `text`: the text a load must end with.
QString asSetText(const QString &text)
{
    SequenceDocument whole;
    whole.setText(text);
    return whole.text();
}

} // namespace

class TestSequenceLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Pieces cut at any line break, of any kind, join up to the same text.
    void loadedTextEqualsTheFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QString();
        QTest::newRow("fits the first screen") << lines(5, u"\r\n"_qs);
        QTest::newRow("CR LF") << lines(5000, u"\r\n"_qs);
        QTest::newRow("CR") << lines(5000, u"\r"_qs);
        QTest::newRow("LF, last line open") << lines(5000, u"\n"_qs, true);
        QTest::newRow("soft breaks") << lines(5000, QString(QChar::LineSeparator));
        QTest::newRow("blank lines") << lines(5000, u"\r\n\r\n"_qs);
    }
    void loadedTextEqualsTheFile()
    {
        QFETCH(QString, text);
        SequenceDocument document;
        SequenceLoader loader(document);
        QSignalSpy finished(&loader, &SequenceLoader::finished);
        loader.load(text);
        document.setModified(false); // as the store marks it saved
        QVERIFY(finished.count() == 1 || finished.wait(20000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(document.text(), asSetText(text));
        QVERIFY(!document.canUndo());
        QVERIFY(!document.isModified());
    }

    // While the rest is still to come, whatever needs the whole text gets it
    // first: an edit lands where it would on the whole text.
    void wholeTextBeforeUse_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("after"); // appended to the file's text
        QTest::newRow("read the text") << Action([](SequenceDocument &d) { d.text(); }) << QString();
        QTest::newRow("append a line") << Action([](SequenceDocument &d) {
            d.appendLine(u"Time50    #1P900S300\r"_qs);
        }) << u"Time50    #1P900S300\r"_qs;
        QTest::newRow("replace the whole text")
            << Action([](SequenceDocument &d) { d.setText(u"x\r"_qs); }) << u"REPLACED"_qs;
    }
    void wholeTextBeforeUse()
    {
        QFETCH(Action, action);
        QFETCH(QString, after);
        const QString text = lines(50000, u"\r\n"_qs);
        SequenceDocument document;
        SequenceLoader loader(document);
        loader.load(text);
        QVERIFY(loader.isLoading());
        QVERIFY(document.lineCount() < 50000);
        action(document);
        QVERIFY(!loader.isLoading());
        QCOMPARE(document.text(), after == u"REPLACED"_qs ? u"x\r"_qs : asSetText(text) + after);
    }

    // A load gives the event loop a turn between pieces.
    void piecesLeaveTheLoopFree()
    {
        SequenceDocument document;
        SequenceLoader loader(document);
        loader.load(lines(200000, u"\r\n"_qs));
        bool turned = false;
        QTimer::singleShot(0, &loader, [&] { turned = loader.isLoading(); });
        QTRY_VERIFY_WITH_TIMEOUT(turned, 5000);
        QVERIFY(loader.isLoading());
        QVERIFY(document.lineCount() < 200000);
    }

    void lineBreaksAreCountedWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<qsizetype>("after");
        QTest::newRow("CR LF is one break") << u"a\r\nb\r\nc"_qs << qsizetype(0) << qsizetype(1) << qsizetype(3);
        QTest::newRow("CR then LF apart") << u"a\r\r\nb"_qs << qsizetype(0) << qsizetype(2) << qsizetype(4);
        QTest::newRow("fewer lines than asked") << u"a\nb"_qs << qsizetype(0) << qsizetype(5) << qsizetype(3);
        QTest::newRow("from the middle") << u"a\nb\nc\n"_qs << qsizetype(2) << qsizetype(1) << qsizetype(4);
    }
    void lineBreaksAreCountedWhole()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, from);
        QFETCH(qsizetype, count);
        QFETCH(qsizetype, after);
        QCOMPARE(sequenceloading::afterLines(text, from, count), after);
    }
};

SERVO_TEST_MAIN(TestSequenceLoader)
#include "tst_sequenceloader.moc"
