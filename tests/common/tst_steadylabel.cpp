// SPDX-License-Identifier: MIT
#include "common/steadylabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QTest>
#include <QtMath>
#include "support/eventcount.h"
#include "support/testmain.h"

// When a new text makes the line around the label be laid out again, and how
// wide the label is afterwards.
class TestSteadyLabel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void relaysOnlyWhenWider_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("next");
        QTest::addColumn<bool>("laidOut");

        QTest::newRow("same width") << "播放中 第 12/200 行"
                                    << "播放中 第 13/200 行" << false;
        QTest::newRow("narrower") << "播放中 第 120/200 行"
                                  << "未播放" << false;
        QTest::newRow("wider") << "未播放"
                               << "播放已停止（第 120 行）" << true;
        QTest::newRow("same text") << "未播放"
                                   << "未播放" << false;
    }
    void relaysOnlyWhenWider()
    {
        QFETCH(QString, first);
        QFETCH(QString, next);
        QFETCH(bool, laidOut);
        QWidget line;
        auto *layout = new QHBoxLayout(&line);
        auto *label = new SteadyLabel(&line);
        layout->addWidget(label);
        layout->addStretch();
        label->setText(first);
        line.show();
        QCoreApplication::processEvents();
        const int widthBefore = label->width();

        EventCount requests(line, QEvent::LayoutRequest);
        label->setText(next);
        QCoreApplication::processEvents();

        QCOMPARE(label->text(), next);
        QCOMPARE(label->shownText(), next);
        QCOMPARE(requests.count() > 0, laidOut);
        // Wide enough for the longer of the two, and never narrower than before.
        QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(next));
        QVERIFY(label->width() >= widthBefore);
        QCOMPARE(label->width() > widthBefore, laidOut);
    }

    void anotherFontMeasuresAfresh()
    {
        SteadyLabel label;
        label.setText(QStringLiteral("播放已停止（第 120 行）"));
        label.setText(QStringLiteral("未播放"));
        QFont larger = label.font();
        larger.setPointSizeF(larger.pointSizeF() * 2);
        label.setFont(larger);
        QCOMPARE(label.sizeHint().width(), qCeil(QFontMetricsF(label.font()).horizontalAdvance(label.text())));
    }
};

SERVO_TEST_MAIN(TestSteadyLabel)
#include "tst_steadylabel.moc"
