// SPDX-License-Identifier: MIT
#include "common/elidedlabel.h"

#include <QFontMetricsF>
#include <QTest>
#include <QtMath>
#include "support/testmain.h"

// A text given less room than it needs ends in "…" with the whole of it in the
// tooltip; given the room again, it is whole, and the tooltip is its detail.
class TestElidedLabel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutOnlyWithAnEllipsis_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("detail");
        QTest::addColumn<double>("room"); // of the text's own width

        const QString note = QStringLiteral("第 12 行不会照所写的播放：不足 10 个字符，不发送，沿用上一行的间隔");
        const QString english = QStringLiteral("Line 12 will not play as written: fewer than 10 characters");
        QTest::newRow("Chinese, half the room") << note << QString() << 0.5;
        QTest::newRow("English, a third of the room") << english << QString() << 0.33;
        QTest::newRow("one pixel short") << english << QString() << 0.99;
        QTest::newRow("just the room") << note << QString() << 1.0;
        QTest::newRow("more room") << note << QString() << 2.0;
        QTest::newRow("with a detail, cut")
            << QStringLiteral("已限位 123456 处") << QStringLiteral("最近一次：#5") << 0.5;
        QTest::newRow("with a detail, whole") << QStringLiteral("已限位 3 处") << QStringLiteral("最近一次：#5") << 1.0;
        QTest::newRow("a reason on two lines")
            << QStringLiteral("无法记下发送的姿态：No space left\non device") << QString() << 0.6;
        QTest::newRow("no room at all") << note << QString() << 0.0;
    }
    void cutOnlyWithAnEllipsis()
    {
        QFETCH(QString, text);
        QFETCH(QString, detail);
        QFETCH(double, room);
        ElidedLabel label;
        label.setText(text);
        label.setDetail(detail);
        label.show(); // a hidden widget hears of its new size only when shown
        const QFontMetricsF metrics(label.font());
        QString line = text;
        line.replace(u'\n', u' ');
        const int needed = qCeil(metrics.horizontalAdvance(line));
        QCOMPARE(label.sizeHint().width(), needed);
        // The least room a layout may give still shows the ellipsis.
        QCOMPARE(label.minimumSizeHint().width(), qCeil(metrics.horizontalAdvance(QChar(0x2026))));

        label.resize(std::max(int(needed * room), label.minimumSizeHint().width()), label.sizeHint().height());
        const QString shown = label.shownText();
        QVERIFY2(metrics.horizontalAdvance(shown) <= label.width(), qPrintable(shown));
        const bool cut = int(needed * room) < needed;
        QCOMPARE(label.isElided(), cut);
        if (cut) {
            QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
            QVERIFY2(line.startsWith(shown.chopped(1)), qPrintable(shown));
            QVERIFY(label.toolTip().startsWith(text));
            QVERIFY(label.toolTip().endsWith(detail));
        } else {
            QCOMPARE(shown, line);
            QCOMPARE(label.toolTip(), detail);
        }

        // Room again: whole, and only the detail in the tooltip.
        label.resize(needed, label.height());
        QCOMPARE(label.shownText(), line);
        QCOMPARE(label.toolTip(), detail);
    }
};

SERVO_TEST_MAIN(TestElidedLabel)
#include "tst_elidedlabel.moc"
