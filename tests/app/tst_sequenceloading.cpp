// SPDX-License-Identifier: MIT
#include "common/elidedlabel.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QTest>
#include <QTimer>

#include <functional>
#include "support/testmain.h"

using Action = std::function<void(WindowHarness &)>;
Q_DECLARE_METATYPE(Action)

namespace {

constexpr int fileLines = 40000;

QByteArray longFile()
{
    QByteArray bytes;
    for (int n = 0; n < fileLines; ++n)
        bytes += "Time100   #" + QByteArray::number(n % 32) + 'P' + QByteArray::number(500 + n % 2001) + "S300\r\n";
    return bytes;
}

QString asEditorText(QByteArray bytes)
{
    return QString::fromLatin1(bytes.replace("\r\n", "\r"));
}

WindowHarness::Options withLongFile()
{
    WindowHarness::Options options;
    options.sequenceFile = longFile();
    return options;
}

bool loading(WindowHarness &harness)
{
    return harness.editor().sequence().lineCount() < fileLines + 1;
}

} // namespace

// A long cmd.txt comes in behind the shown window.
class TestSequenceLoading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theWindowAnswersDuringTheLoad()
    {
        WindowHarness harness(withLongFile());
        harness.window().show();
        QVERIFY(loading(harness));
        QVERIFY(!harness.child<ElidedLabel>(QStringLiteral("loadingNote")).text().isEmpty());

        QTest::keyClick(&harness.editor(), Qt::Key_Down);
        QCOMPARE(harness.editor().sequence().lineAt(harness.editor().selectionStart()), 1);
        harness.connectTo(QStringLiteral("COM3"));
        QVERIFY(harness.window().portIsOpen());
        harness.slider(0).setValue(1600);
        QCOMPARE(harness.fake().writes.last(), QByteArray("#0P1600S300\r"));
        QVERIFY(loading(harness));

        QTRY_VERIFY_WITH_TIMEOUT(!loading(harness), 20000);
        QVERIFY(harness.child<ElidedLabel>(QStringLiteral("loadingNote")).text().isEmpty());
        QCOMPARE(harness.editor().sequence().textDocument().toRawText().size(), asEditorText(longFile()).size());
        QCOMPARE(harness.editor().text(), asEditorText(longFile()));
        QVERIFY(!harness.editor().sequence().canUndo());
        QVERIFY(!harness.window().isWindowModified());
        harness.window().close();
        QCOMPARE(harness.sequenceFileBytes(), longFile());
    }

    // What needs the whole sequence brings in the rest first.
    void actionsWaitForTheWholeSequence_data()
    {
        QTest::addColumn<Action>("action");
        QTest::addColumn<QString>("expected");
        const QString file = asEditorText(longFile());
        QTest::newRow("Run plays from the whole sequence") << Action([](WindowHarness &h) {
            h.button("RunCommand").click();
            QVERIFY(h.playbackTimer().isActive());
        }) << file;
        QTest::newRow("Add appends after the last line of the file") << Action([](WindowHarness &h) {
            h.checkBox(5).setChecked(true);
            h.button("Command2").click();
        }) << file + u"Time4800  #5P1500S300\r"_qs;
        QTest::newRow("a typed key edits the whole text")
            << Action([](WindowHarness &h) { QTest::keyClick(&h.editor(), Qt::Key_X); }) << u"x"_qs + file;
    }
    void actionsWaitForTheWholeSequence()
    {
        QFETCH(Action, action);
        QFETCH(QString, expected);
        WindowHarness harness(withLongFile());
        harness.window().show();
        QVERIFY(loading(harness));
        action(harness);
        QCOMPARE(harness.editor().text(), expected);
    }
};

SERVO_TEST_MAIN(TestSequenceLoading)
#include "tst_sequenceloading.moc"
