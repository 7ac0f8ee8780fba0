// SPDX-License-Identifier: MIT
#include "shared/kinematics.h"
#include "support/fakeserialport.h"
#include "support/testmain.h"
#include "support/windowharness.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

// A place typed into the workspace's fields reaches the sliders of the arm's
// joints and the port, through the window; a place out of reach moves nothing.
class TestArmLink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedPlaceReachesTheSliders_data()
    {
        // The place asked for is where the arm's tip stands at these pulses
        // (base, shoulder, elbow, wrist), elbow up; or a place beyond the links.
        QTest::addColumn<QList<double>>("pulses");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("byEnter"); // Enter in the pitch field, else 到达
        QTest::newRow("ahead, reaching up") << QList<double>{1500, 1900, 1200, 1400} << true << false;
        QTest::newRow("to the left, hand down") << QList<double>{1900, 1700, 1100, 1250} << true << false;
        QTest::newRow("ahead, Enter") << QList<double>{1500, 1700, 1300, 1500} << true << true;
        QTest::newRow("beyond the links") << QList<double>{} << false << false;
        QTest::newRow("beyond the links, Enter") << QList<double>{} << false << true;
    }

    void typedPlaceReachesTheSliders()
    {
        QFETCH(QList<double>, pulses);
        QFETCH(bool, reachable);
        QFETCH(bool, byEnter);
        const arm::ArmGeometry geometry;
        kinematics::Tip asked{600, 0, 70, 0};
        if (reachable)
            asked = kinematics::forward(geometry, {pulses[0], pulses[1], pulses[2], pulses[3], 1500, 1500}).tip;
        WindowHarness h;
        h.connectTo(QStringLiteral("COM1"));
        h.window().findChild<QAction *>(QStringLiteral("workspaceAction"))->trigger();
        kinematics::JointPulses before;
        for (int joint = 0; joint < arm::jointCount; ++joint)
            before[size_t(joint)] = h.slider(geometry.channels[size_t(joint)]).value();
        h.fake().writes.clear();

        const auto field = [&](const char *name) {
            return h.window().findChild<QDoubleSpinBox *>(QLatin1String(name));
        };
        field("ikX")->setValue(asked.x);
        field("ikY")->setValue(asked.y);
        field("ikZ")->setValue(asked.z);
        if (byEnter) {
            field("ikPitch")->findChild<QLineEdit *>()->setText(QString::number(asked.pitch, 'f', 1));
            QTest::keyClick(field("ikPitch"), Qt::Key_Return);
        } else {
            field("ikPitch")->setValue(asked.pitch);
            h.window().findChild<QPushButton *>(QStringLiteral("ikApply"))->click();
        }

        kinematics::JointPulses after;
        for (int joint = 0; joint < arm::jointCount; ++joint)
            after[size_t(joint)] = h.slider(geometry.channels[size_t(joint)]).value();
        if (!reachable) {
            QCOMPARE(after, before);
            QVERIFY(h.fake().writes.isEmpty());
            QVERIFY(!h.window().statusBar()->currentMessage().isEmpty());
            // Said in the workspace too, beside the fields, which may cover the status line.
            QCOMPARE(h.window().findChild<QLabel *>(QStringLiteral("ikAnswer"))->text(),
                     h.window().statusBar()->currentMessage());
            return;
        }
        const kinematics::Tip tip = kinematics::forward(geometry, after).tip;
        QVERIFY2(std::hypot(tip.x - asked.x, tip.y - asked.y, tip.z - asked.z) < 1.0,
                 qPrintable(h.window().statusBar()->currentMessage()));
        QVERIFY(std::abs(tip.pitch - asked.pitch) < 1.0);
        // Each joint that moved went out once, as its own move.
        int moved = 0;
        for (int joint = 0; joint < arm::jointCount; ++joint)
            moved += after[size_t(joint)] != before[size_t(joint)];
        QVERIFY(moved > 0);
        QCOMPARE(h.fake().writes.size(), moved);
    }
};

SERVO_TEST_MAIN(TestArmLink)
#include "tst_armlink.moc"
