// SPDX-License-Identifier: MIT
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include "support/testmain.h"

// How much the speed box and the manual command box take, and what Add builds
// from the longest speed text.
class TestInputBounds : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxesRefuseWhatPassesTheirBound_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("settings"); // in force before typing; empty: the initial ones
        QTest::addColumn<int>("fits");         // the most characters the box takes
        QTest::newRow("speed") << "speedinput"
                               << "" << 256;
        // The manual command and its CR fit the port's queue.
        QTest::newRow("manual at 115200") << "Text3"
                                          << "" << 23'039;
        QTest::newRow("manual at 9600") << "Text3"
                                        << "9600,n,8,1" << 1919;
        QTest::newRow("manual at 300: the smallest queue") << "Text3"
                                                           << "300,n,8,1" << 511;
        QTest::newRow("manual at 4000000: 64 KB") << "Text3"
                                                  << "4000000,n,8,1" << 65'535;
    }
    void boxesRefuseWhatPassesTheirBound()
    {
        QFETCH(QString, box);
        QFETCH(QString, settings);
        QFETCH(int, fits);
        WindowHarness h;
        if (!settings.isEmpty())
            QVERIFY(h.fake().setSettings(settings).ok());
        auto &edit = h.child<QLineEdit>(box);
        auto *mark = edit.findChild<QAction *>(QStringLiteral("inputRefusedMark"));
        QVERIFY(mark);
        QSignalSpy rejected(&edit, &QLineEdit::inputRejected);

        const QString full(fits, u'7');
        paste(edit, full);
        QCOMPARE(edit.text(), full);
        QVERIFY(!mark->isVisible());

        // One more key, then 1 MB over the whole text: both refused, the text kept.
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClick(&edit, Qt::Key_8);
        QCOMPARE(edit.text(), full);
        QCOMPARE(rejected.count(), 1);
        QVERIFY(mark->isVisible());
        QVERIFY2(mark->toolTip().contains(QString::number(fits)), qPrintable(mark->toolTip()));
        paste(edit, QString(1 << 20, u'9'));
        QCOMPARE(edit.text(), full);
        QCOMPARE(rejected.count(), 2);

        // Shorter is taken, and the mark goes.
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), full.chopped(1));
        QVERIFY(!mark->isVisible());
    }

    void manualBoundFollowsTheSettings()
    {
        WindowHarness h;
        auto &edit = h.child<QLineEdit>(QStringLiteral("Text3"));
        paste(edit, QString(1000, u'7'));
        QCOMPARE(edit.text().size(), 1000);
        // 2400 baud: 512 bytes. What is there stays, and can be shortened, not lengthened.
        QVERIFY(h.fake().setSettings(QStringLiteral("2400,n,8,1")).ok());
        QCOMPARE(edit.text().size(), 1000);
        QTest::keyClick(&edit, Qt::Key_End);
        QTest::keyClick(&edit, Qt::Key_8);
        QCOMPARE(edit.text().size(), 1000);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text().size(), 999);
        edit.clear();
        paste(edit, QString(512, u'7'));
        QVERIFY(edit.text().isEmpty());
        paste(edit, QString(511, u'7'));
        QCOMPARE(edit.text().size(), 511);
    }

    void addFromAMegabyteOfSpeedStaysSmall()
    {
        WindowHarness h;
        auto &speed = h.child<QLineEdit>(QStringLiteral("speedinput"));
        paste(speed, QString(1 << 20, u'3'));
        QCOMPARE(speed.text(), QStringLiteral("300"));
        const QString longest(256, u'3');
        paste(speed, longest);
        for (int channel = 0; channel < 32; ++channel)
            h.checkBox(channel).setChecked(true);
        h.button("Command2").click();
        const QString text = h.editor().text();
        QCOMPARE(text.count(QStringLiteral("S") + longest), 32);
        QVERIFY2(text.size() <= 64 * 1024, qPrintable(QString::number(text.size())));
    }

private:
    static void paste(QLineEdit &edit, const QString &text)
    {
        QGuiApplication::clipboard()->setText(text);
        edit.selectAll();
        edit.paste();
    }
};

SERVO_TEST_MAIN(TestInputBounds)
#include "tst_inputbounds.moc"
