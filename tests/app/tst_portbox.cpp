// SPDX-License-Identifier: MIT
#include "common/uilook.h"
#include "app/portdiscovery.h"

#include <QAbstractItemView>
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
};

SERVO_TEST_MAIN(TestPortBox)
#include "tst_portbox.moc"
