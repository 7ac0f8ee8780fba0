// SPDX-License-Identifier: MIT
#include "support/testmain.h"
#include "support/windowharness.h"
#include "workspace/workspacewindow.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// What of `widget` is inside `area`, in global coordinates, and not hidden by
// a scroll.
bool wholeIn(const QWidget &widget, const QRect &area)
{
    return area.contains(QRect(widget.mapToGlobal(QPoint(0, 0)), widget.size()));
}

} // namespace

// The windows' first places on the screen this runs on (a laptop's and a full
// HD screen's, see CMakeLists.txt): the workspace beside the main window,
// neither covering the other, both on the screen; each dialog on the screen
// with its buttons in sight.
class TestWindowPlaces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void workspaceBesideTheMainWindow()
    {
        WindowHarness h;
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        const QRect screen = h.window().screen()->availableGeometry();
        const QRect main = h.window().frameGeometry();
        h.window().findChild<QAction *>(u"workspaceAction"_qs)->trigger();
        auto *workspace = h.window().findChild<WorkspaceWindow *>(u"workspace"_qs);
        QVERIFY(workspace);
        QVERIFY(QTest::qWaitForWindowExposed(workspace));
        QCOMPARE(h.window().frameGeometry(), main);
        QVERIFY2(screen.contains(workspace->frameGeometry()), qPrintable(QDebug::toString(workspace->frameGeometry())));
        QVERIFY2(!workspace->frameGeometry().intersects(main),
                 qPrintable(QDebug::toString(workspace->frameGeometry())));
        // The arm view and the table in sight in it, the view at no less than its least size.
        auto *armView = workspace->findChild<QWidget *>(u"armView"_qs);
        QVERIFY(armView);
        QVERIFY(armView->width() >= armView->minimumWidth() && armView->height() >= armView->minimumHeight());
        QVERIFY(wholeIn(*armView, workspace->geometry()));
        QVERIFY(wholeIn(workspace->table(), workspace->geometry()));
        QVERIFY(workspace->table().height() >= 4 * workspace->table().verticalHeader()->defaultSectionSize());
    }

    // The modeless dialogs the form's buttons open.
    void dialogsOnTheScreen_data()
    {
        QTest::addColumn<QByteArray>("button");
        QTest::newRow("port settings") << QByteArray("Command4");
        QTest::newRow("input") << QByteArray("Command9");
    }
    void dialogsOnTheScreen()
    {
        QFETCH(QByteArray, button);
        WindowHarness h;
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        const QRect screen = h.window().screen()->availableGeometry();
        h.button(button.constData()).click();
        QWidget *dialog = QApplication::activeModalWidget();
        if (!dialog) {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (window != &h.window() && window->isVisible() && window->isWindow())
                    dialog = window;
            }
        }
        QVERIFY(dialog);
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY2(screen.contains(dialog->frameGeometry()), qPrintable(QDebug::toString(dialog->frameGeometry())));
        for (const QPushButton *pushButton : dialog->findChildren<QPushButton *>()) {
            if (pushButton->isVisible())
                QVERIFY2(wholeIn(*pushButton, screen), qPrintable(pushButton->text()));
        }
    }

    // The motion settings, a modal dialog, looked at while it is open.
    void motionSettingsOnTheScreen()
    {
        WindowHarness h;
        h.window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.window()));
        const QRect screen = h.window().screen()->availableGeometry();
        QRect shown;
        bool buttonsInSight = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            shown = dialog->frameGeometry();
            const auto *buttons = dialog->findChild<QDialogButtonBox *>();
            buttonsInSight = buttons && wholeIn(*buttons, screen);
            dialog->reject();
        });
        h.window().findChild<QAction *>(u"motionSettingsAction"_qs)->trigger();
        QVERIFY(!shown.isNull());
        QVERIFY2(screen.contains(shown), qPrintable(QDebug::toString(shown)));
        QVERIFY(buttonsInSight);
    }
};

SERVO_TEST_MAIN(TestWindowPlaces)
#include "tst_windowplaces.moc"
