// SPDX-License-Identifier: MIT
#include "support/fakeserialport.h"
#include "support/windowharness.h"

#include <QAction>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "support/testmain.h"

// Moves from the channel panel while the device cannot keep up, and the
// operator's stop: what waits for the line is merged, and a stop drops it.
class TestMotionStop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_h = std::make_unique<WindowHarness>();
        m_h->connectTo(QStringLiteral("COM1"));
        QVERIFY(m_h->window().portIsOpen());
        m_h->fake().holdDevice(true);
    }
    void cleanup() { m_h.reset(); }

    void stopDropsWhatWaits_data()
    {
        QTest::addColumn<QString>("stopBy"); // empty: no stop
        QTest::addColumn<QByteArrayList>("released");
        const QByteArray send("#9P900\r");
        QTest::newRow("no stop: the last of each slider, and Send")
            << QString() << QByteArrayList{"#0P1620S300\r", "#1P1620S300\r", send};
        QTest::newRow("Esc") << QStringLiteral("stopAction") << QByteArrayList{};
        QTest::newRow("emergency stop") << QStringLiteral("emergencyStopAction") << QByteArrayList{};
        QTest::newRow("its button on the status line") << QStringLiteral("emergencyStopButton") << QByteArrayList{};
    }
    void stopDropsWhatWaits()
    {
        QFETCH(QString, stopBy);
        QFETCH(QByteArrayList, released);
        for (int step = 1; step <= 120; ++step) {
            m_h->slider(0).setValue(1500 + step);
            m_h->slider(1).setValue(1500 + step);
        }
        m_h->child<QLineEdit>(QStringLiteral("Text3")).setText(QStringLiteral("#9P900"));
        m_h->button("Command8").click();
        QCOMPARE(m_h->fake().writes, QByteArrayList());
        if (stopBy == u"emergencyStopButton") {
            m_h->child<QToolButton>(stopBy).click();
        } else if (!stopBy.isEmpty()) {
            auto *action = m_h->window().findChild<QAction *>(stopBy);
            QVERIFY(action);
            // Also while nothing plays.
            QVERIFY(action->isEnabled() || stopBy == u"stopAction");
            action->setEnabled(true);
            action->trigger();
        }
        m_h->fake().holdDevice(false);
        QCOMPARE(m_h->fake().writes, released);
    }

private:
    std::unique_ptr<WindowHarness> m_h;
};

SERVO_TEST_MAIN(TestMotionStop)
#include "tst_motionstop.moc"
