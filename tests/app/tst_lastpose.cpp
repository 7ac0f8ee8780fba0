// SPDX-License-Identifier: MIT
#include "app/statusline.h"
#include "support/fakeserialport.h"
#include "support/windowharness.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "support/testmain.h"

using Pulses = QList<QPair<int, int>>; // channel, pulse

// What the program last sent, across a restart: told on the status line,
// never sent at Connect, and glided back to on request; a glide shows on the
// channel panel without being sent again.
class TestLastPose : public QObject
{
    Q_OBJECT

    std::unique_ptr<WindowHarness> m_h;

    QAction &action(const char *name) { return m_h->child<QAction>(QString::fromLatin1(name)); }
    StatusLine &statusLine() { return m_h->child<StatusLine>(QStringLiteral("statusLine")); }

private Q_SLOTS:
    void init()
    {
        // The port box shows COM1 at every start: its journal is the one shown.
        WindowHarness::Options options;
        options.ports = {QStringLiteral("COM1")};
        m_h = std::make_unique<WindowHarness>(std::move(options));
    }
    void cleanup() { m_h.reset(); }

    void glidesToTheLastPoseAfterARestart_data()
    {
        QTest::addColumn<Pulses>("moved");     // by the sliders, before the restart
        QTest::addColumn<QString>("sendText"); // then by Send
        QTest::addColumn<QByteArray>("glide");
        QTest::addColumn<Pulses>("shown");
        QTest::newRow("a slider moved twice")
            << Pulses{{0, 1620}, {0, 1700}} << QString() << QByteArray("#0P1700T1500\r") << Pulses{{0, 1700}};
        QTest::newRow("a slider and a Send") << Pulses{{3, 900}} << QStringLiteral("#7P2100#3P1000")
                                             << QByteArray("#3P1000#7P2100T1500\r") << Pulses{{3, 1000}, {7, 2100}};
        QTest::newRow("nothing sent") << Pulses{} << QString() << QByteArray() << Pulses{};
    }
    void glidesToTheLastPoseAfterARestart()
    {
        QFETCH(Pulses, moved);
        QFETCH(QString, sendText);
        QFETCH(QByteArray, glide);
        QFETCH(Pulses, shown);
        m_h->connectTo(QStringLiteral("COM1"));
        for (const auto &[channel, pulse] : moved)
            m_h->slider(channel).setValue(pulse);
        if (!sendText.isEmpty()) {
            m_h->child<QLineEdit>(QStringLiteral("Text3")).setText(sendText);
            m_h->button("Command8").click();
        }
        m_h->restart();

        const bool known = !glide.isEmpty();
        QCOMPARE(statusLine().sentPoseText().startsWith(u"上次发送的姿态："), known);
        QVERIFY(!action("lastPoseAction").isEnabled());
        m_h->connectTo(QStringLiteral("COM1"));
        QCOMPARE(m_h->fake().writes, QByteArrayList());
        QCOMPARE(action("lastPoseAction").isEnabled(), known);
        if (!known)
            return;

        action("lastPoseAction").trigger();
        QCOMPARE(m_h->fake().writes, QByteArrayList{glide});
        for (const auto &[channel, pulse] : shown) {
            QCOMPARE(m_h->slider(channel).value(), pulse);
            QVERIFY(m_h->checkBox(channel).isChecked());
        }
        QCOMPARE(statusLine().sentPoseText(), QString());
    }

    void aDamagedRecordIsToldAndIgnored()
    {
        QFile file(m_h->sentPosePath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("{\"version\":1,\"chan") > 0);
        file.close();
        m_h->restart();
        QCOMPARE(statusLine().sentPoseText(), QStringLiteral("上次发送的姿态的记录已损坏，已忽略"));
        QVERIFY(m_h->notifier.shown.isEmpty());
        m_h->connectTo(QStringLiteral("COM1"));
        QVERIFY(!action("lastPoseAction").isEnabled());
        m_h->slider(2).setValue(1400);
        QCOMPARE(statusLine().sentPoseText(), QString());
    }

    void theHomeGlideShowsOnThePanel()
    {
        m_h->connectTo(QStringLiteral("COM1"));
        m_h->checkBox(5).setChecked(true);
        m_h->slider(5).setValue(2000);
        m_h->fake().writes.clear();
        action("homeAction").trigger();
        QCOMPARE(m_h->slider(5).value(), 1500);
        QCOMPARE(m_h->valueBox(5).text(), QStringLiteral("1500"));
        // The next touch moves on from home, not from 2000.
        m_h->slider(5).setValue(1510);
        QCOMPARE(m_h->fake().writes, (QByteArrayList{"#5P1500T1500\r", "#5P1510S300\r"}));
    }

    void theAgeOfTheLastPose_data()
    {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("just sent") << qint64(0) << QStringLiteral("上次发送的姿态：0 秒前");
        QTest::newRow("under a minute") << qint64(59) << QStringLiteral("上次发送的姿态：59 秒前");
        QTest::newRow("whole minutes") << qint64(3 * 60 + 59) << QStringLiteral("上次发送的姿态：3 分钟前");
        QTest::newRow("hours") << qint64(2 * 3600 + 10) << QStringLiteral("上次发送的姿态：2 小时前");
        QTest::newRow("days") << qint64(3 * 86400 - 1) << QStringLiteral("上次发送的姿态：2 天前");
        QTest::newRow("a clock set back") << qint64(-300) << QStringLiteral("上次发送的姿态：0 秒前");
    }
    void theAgeOfTheLastPose()
    {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(StatusLine::sentPoseAgeText(seconds), text);
    }
};

SERVO_TEST_MAIN(TestLastPose)
#include "tst_lastpose.moc"
