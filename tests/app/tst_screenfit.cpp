// SPDX-License-Identifier: MIT
#include "app/screenfit.h"
#include "support/testmain.h"
#include "support/windowharness.h"

#include <QGroupBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>

// The main window on a screen too small for it: everything the operator needs
// is on the screen at once, with no scrolling, and a large screen changes nothing.
class TestScreenFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fitsTheScreen_data()
    {
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QMargins>("frame");
        QTest::addColumn<bool>("sameAsBefore");
        QTest::newRow("1280x720, title bar") << QRect(0, 0, 1280, 720) << QMargins(1, 24, 1, 1) << false;
        QTest::newRow("1280x720 below a panel") << QRect(0, 28, 1280, 692) << QMargins(1, 24, 1, 1) << false;
        QTest::newRow("1920x1080") << QRect(0, 0, 1920, 1080) << QMargins(1, 24, 1, 1) << true;
    }

    void fitsTheScreen()
    {
        QFETCH(QRect, available);
        QFETCH(QMargins, frame);
        QFETCH(bool, sameAsBefore);
        WindowHarness harness;
        MainWindow &window = harness.window();
        QWidget *client = &harness.child<QWidget>(QStringLiteral("clientArea"));
        const QSize windowBefore = window.size();
        const QRect sendBefore = harness.child<QPushButton>(QStringLiteral("Command8")).geometry();

        if (!available.contains(QRect(available.topLeft(), window.size().grownBy(frame))))
            fitFrameInto(window, *client, available, frame);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QVERIFY(available.contains(QRect(window.pos(), window.size().grownBy(frame))));
        QCOMPARE(window.size() == windowBefore, sameAsBefore);
        QCOMPARE(harness.child<QPushButton>(QStringLiteral("Command8")).geometry() == sendBefore, sameAsBefore);
        // Nothing scrolls: every frame's caption, the Send row and the status line are in sight.
        QScrollArea *scroll = &harness.child<QScrollArea>(QStringLiteral("clientScroll"));
        QVERIFY(!scroll->verticalScrollBar()->isVisible());
        QVERIFY(!scroll->horizontalScrollBar()->isVisible());
        const QRect view = scroll->viewport()->rect();
        for (const QGroupBox *group : client->findChildren<QGroupBox *>(Qt::FindDirectChildrenOnly))
            QVERIFY2(view.contains(QRect(group->mapTo(scroll->viewport(), QPoint()), group->size())),
                     qPrintable(group->title()));
        QVERIFY(window.statusBar()->isVisible());
        QVERIFY(window.rect().contains(window.statusBar()->geometry()));
    }
};

SERVO_TEST_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
