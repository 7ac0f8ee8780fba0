// SPDX-License-Identifier: MIT
#include "common/elidedlabel.h"
#include "common/priorityrow.h"

#include <QPushButton>
#include <QTest>
#include "support/testmain.h"

using Wants = QList<priorityrow::Want>;
using Widths = QList<int>;

// Who gives up room first in a row too short for all, and where the widgets
// after the filling one stand.
class TestPriorityRow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sharesTheRoomByRank_data()
    {
        QTest::addColumn<Wants>("wants"); // least, preferred, rank
        QTest::addColumn<int>("room");
        QTest::addColumn<Widths>("widths");

        QTest::newRow("room for all") << Wants{{10, 50, 1}, {10, 100, 4}} << 200 << Widths{50, 100};
        QTest::newRow("the note shrinks first") << Wants{{10, 300, 4}, {10, 50, 1}} << 200 << Widths{150, 50};
        QTest::newRow("one rank shares evenly") << Wants{{10, 300, 4}, {10, 300, 4}} << 200 << Widths{100, 100};
        QTest::newRow("a short one of a rank stays whole")
            << Wants{{10, 40, 4}, {10, 300, 4}} << 200 << Widths{40, 160};
        QTest::newRow("counters share when even they do not fit")
            << Wants{{10, 100, 1}, {10, 100, 1}, {10, 300, 4}} << 120 << Widths{55, 55, 10};
        QTest::newRow("a fixed one keeps its size") << Wants{{75, 75, 0}, {10, 300, 4}} << 100 << Widths{75, 25};
        QTest::newRow("no room: each its least") << Wants{{10, 100, 1}, {10, 300, 4}} << 5 << Widths{10, 10};
    }
    void sharesTheRoomByRank()
    {
        QFETCH(Wants, wants);
        QFETCH(int, room);
        QFETCH(Widths, widths);
        QCOMPARE(priorityrow::widths(wants, room), widths);
    }

    // The widgets after the filling one stand at the row's right end, whatever
    // the texts before them; no widget overlaps another or leaves the row.
    void theEndStaysPut_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("note");
        QTest::newRow("short texts") << QStringLiteral("未连接") << QString();
        QTest::newRow("a long note") << QStringLiteral("未连接")
                                     << QStringLiteral("第 12 行不会照所写的播放").repeated(9);
        QTest::newRow("both long") << QStringLiteral("未连接 · 连接失败：").repeated(9)
                                   << QStringLiteral("Line 12 will not play as written").repeated(9);
    }
    void theEndStaysPut()
    {
        QFETCH(QString, first);
        QFETCH(QString, note);
        QWidget row;
        auto *layout = new PriorityRowLayout(&row);
        layout->setContentsMargins({});
        layout->setSpacing(12);
        auto *firstLabel = new ElidedLabel(&row);
        auto *noteLabel = new ElidedLabel(&row);
        auto *counter = new ElidedLabel(&row);
        auto *button = new QPushButton(QStringLiteral("急停"), &row);
        button->setFixedSize(75, 23);
        layout->addWidget(firstLabel, 3);
        layout->addWidget(noteLabel, 4, true);
        layout->addWidget(counter, 1);
        layout->addWidget(button, 0);
        counter->setText(QStringLiteral("播放中 第 12/200 行"));
        row.resize(600, 30);
        row.show();
        QCoreApplication::processEvents();
        const QRect end = button->geometry();
        QCOMPARE(end.right(), row.contentsRect().right());

        firstLabel->setText(first);
        noteLabel->setText(note);
        noteLabel->setVisible(!note.isEmpty());
        QCoreApplication::processEvents();

        QCOMPARE(button->geometry(), end);
        QVERIFY(!counter->isElided());
        int left = row.contentsRect().left();
        for (QWidget *widget : {static_cast<QWidget *>(firstLabel), static_cast<QWidget *>(noteLabel),
                                static_cast<QWidget *>(counter), static_cast<QWidget *>(button)}) {
            if (widget->isHidden())
                continue;
            QVERIFY2(widget->x() >= left, qPrintable(widget->metaObject()->className()));
            QVERIFY(widget->width() >= QWidgetItem(widget).minimumSize().width());
            left = widget->geometry().right() + 1;
        }
        QVERIFY(left <= row.contentsRect().right() + 1);
    }
};

SERVO_TEST_MAIN(TestPriorityRow)
#include "tst_priorityrow.moc"
