// SPDX-License-Identifier: MIT
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

// 文件 → 导出为 Arduino 程序…: the sequence in the window, with the profile in
// force, as a folder the operator names; what was made or why not is told.
class TestExportSketchAction : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void exportsTheSequenceInForce_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<bool>("looping");
        QTest::addColumn<bool>("made");
        QTest::newRow("two lines, once") << "Time1000  #5P2000S300\rTime1000  #5P1000S300\r" << false << true;
        QTest::newRow("looping") << "Time1000  #5P2000S300\r" << true << true;
        QTest::newRow("nothing moves a servo: refused") << "Time1000  \r" << false << false;
    }

    void exportsTheSequenceInForce()
    {
        QFETCH(QString, sequence);
        QFETCH(bool, looping);
        QFETCH(bool, made);
        WindowHarness h;
        h.editor().setText(sequence);
        h.window().findChild<QAction *>(QStringLiteral("loopAction"))->setChecked(looping);
        QTemporaryDir place;
        h.chosenFile = place.filePath(QStringLiteral("wave"));
        h.window().findChild<QAction *>(QStringLiteral("exportSketchAction"))->trigger();
        QCOMPARE(h.notifier.shown.size(), 1);
        const QString ino = h.chosenFile + QStringLiteral("/wave.ino");
        QCOMPARE(QFile::exists(ino), made);
        QCOMPARE(h.notifier.shown[0].icon == Message::Icon::Warning, !made);
        if (made)
            QVERIFY(h.notifier.shown[0].text.contains(QDir::toNativeSeparators(h.chosenFile)));
    }

    void cancelledExportsNothing()
    {
        WindowHarness h;
        h.editor().setText(QStringLiteral("Time1000  #5P2000S300\r"));
        h.chosenFile.clear();
        h.window().findChild<QAction *>(QStringLiteral("exportSketchAction"))->trigger();
        QVERIFY(h.notifier.shown.isEmpty());
    }
};

SERVO_TEST_MAIN(TestExportSketchAction)
#include "tst_exportsketchaction.moc"
