// SPDX-License-Identifier: MIT
#include "common/uilook.h"
#include "app/portdiscovery.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>
#include "support/testmain.h"

// The port box at the main window's size: names longer than the box are shown
// whole in its list and in its tooltip, and the box keeps its place and size.
class TestPortBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void namesFit_data()
    {
        QTest::addColumn<QStringList>("ports");
        QTest::newRow("virtual board") << QStringList{QStringLiteral("COM1000 (虚拟舵机板)")};
        QTest::newRow("device and boards")
            << QStringList{QStringLiteral("COM33 (ttyUSB0)"), QStringLiteral("COM1000 (虚拟舵机板)"),
                           QStringLiteral("COM1001 (虚拟舵机板)")};
        QTest::newRow("short names") << QStringList{QStringLiteral("COM1"), QStringLiteral("COM3")};
    }
    void namesFit()
    {
        QFETCH(QStringList, ports);
        QWidget frame;
        frame.setFont(uilook::captionFont());
        PortComboBox box([&ports] { return ports; }, &frame);
        const QRect place = uilook::twips(120, 480, 1800, 330);
        box.setGeometry(place);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));

        box.refresh();
        QCOMPARE(box.toolTip(), ports.last());
        box.setEditText(QStringLiteral("COM1003 typed in"));
        QCOMPARE(box.toolTip(), QStringLiteral("COM1003 typed in"));

        box.showPopup();
        QAbstractItemView &list = *box.view();
        QTRY_VERIFY(list.isVisible());
        QCOMPARE(list.model()->rowCount(), ports.size());
        for (int row = 0; row < ports.size(); ++row) {
            const QModelIndex entry = list.model()->index(row, 0);
            QVERIFY2(list.viewport()->width() >= list.sizeHintForIndex(entry).width(),
                     qPrintable(entry.data().toString()));
        }
        box.hidePopup();
        QCOMPARE(box.geometry(), place);
    }

    // The closed box shows the start of a long name, the port number Connect
    // reads in sight, and ends it in "…"; typing in it shows it whole.
    void thePortNumberStaysInSight_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("latin"); // set as an English interface sets its text
        QTest::newRow("virtual board") << QStringLiteral("COM1000 (虚拟舵机板)") << false;
        QTest::newRow("virtual board in English") << QStringLiteral("COM1000 (virtual servo board)") << true;
        QTest::newRow("typed with more words") << QStringLiteral("COM1003 the board on the left bench") << false;
        QTest::newRow("short") << QStringLiteral("COM33 (ttyUSB0)") << false;
    }
    void thePortNumberStaysInSight()
    {
        QFETCH(QString, name);
        QFETCH(bool, latin);
        uilook::setLatinText(latin);
        const auto restore = qScopeGuard([] { uilook::setLatinText(false); });
        QWidget frame;
        frame.setFont(uilook::captionFont());
        PortComboBox box([&name] { return QStringList{name}; }, &frame);
        box.setGeometry(uilook::twips(120, 480, 1800, 330));
        auto *other = new QLineEdit(&frame);
        other->move(0, 100);
        frame.show();
        frame.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&frame));
        box.refresh();
        other->setFocus();

        auto *edit = qobject_cast<PortNameEdit *>(box.lineEdit());
        QVERIFY(edit);
        const QString shown = edit->shownText();
        const QString number = name.section(u' ', 0, 0);
        QVERIFY2(shown.startsWith(number), qPrintable(shown));
        QVERIFY2(edit->fontMetrics().horizontalAdvance(shown) < edit->width(), qPrintable(shown));
        const bool fits = edit->fontMetrics().horizontalAdvance(name) < edit->width() - 4;
        QCOMPARE(shown == name, fits);
        if (!fits)
            QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QCOMPARE(box.toolTip(), name);

        edit->setFocus();
        QCOMPARE(edit->shownText(), name);
    }
};

SERVO_TEST_MAIN(TestPortBox)
#include "tst_portbox.moc"
