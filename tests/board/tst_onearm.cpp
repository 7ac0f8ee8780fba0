// SPDX-License-Identifier: MIT
#include "board/boardarmview.h"
#include "core/armtwin.h"
#include "shared/armprofile.h"
#include "support/virtualtime.h"
#include "workspace/armview.h"

#include <QTest>

#include "support/testmain.h"

#include <cmath>
#include <numbers>

Q_DECLARE_METATYPE(kinematics::JointPulses)

// The virtual board draws the arm as the console's workspace does: for the
// same pulses and the same profile, both put the gripper's tip at the same
// place, the one the kinematics give.
class TestOneArm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameTip_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<kinematics::JointPulses>("pulses");
        const QByteArray board = "{}";
        // Other links, a joint turning the other way, other channels.
        const QByteArray other = R"({"version": 1, "arm": {
            "joints": {"base": 0, "shoulder": 1, "elbow": 2, "wrist": 3, "wristTurn": 4, "gripper": 7},
            "calibration": {"1": {"zeroPulse": 1000, "usPerDegree": -10}},
            "linksMm": {"baseHeight": 40, "upperArm": 200, "forearm": 60, "hand": 90}}})";
        const kinematics::JointPulses rest{1500, 1500, 1500, 1500, 1500, 1500};
        const kinematics::JointPulses raised{1500, 2100, 1200, 1700, 1500, 1500};
        const kinematics::JointPulses turned{2300, 1800, 1000, 1500, 900, 2000};
        QTest::newRow("at rest") << board << rest;
        QTest::newRow("shoulder up, elbow down") << board << raised;
        QTest::newRow("base turned") << board << turned;
        QTest::newRow("another arm, at rest") << other << rest;
        QTest::newRow("another arm, raised") << other << raised;
    }

    void sameTip()
    {
        QFETCH(QByteArray, profile);
        QFETCH(kinematics::JointPulses, pulses);
        const armprofile::Reading reading = armprofile::parse(profile);
        QVERIFY2(reading.problems.isEmpty(), "the test's profile reads");
        const arm::ArmGeometry &geometry = reading.profile.arm;
        const kinematics::JointLimits limits{};
        const QSize size(560, 320);

        BoardArmView boardView;
        boardView.resize(size);
        boardView.setArm(geometry, limits);
        boardView.setPulses(pulses);

        armtwin::ArmTwin twin;
        std::map<int, int> standing;
        for (int joint = 0; joint < arm::jointCount; ++joint)
            standing[geometry.channels[size_t(joint)]] = int(pulses[size_t(joint)]);
        twin.standAt(standing);
        VirtualTime time;
        workspace::ArmView consoleView(twin, time, time);
        consoleView.resize(size);
        consoleView.setArm(geometry, limits);

        const QPointF board = boardView.tipOnScreen();
        const QPointF console = consoleView.twinTipOnScreen();
        QVERIFY2(QLineF(board, console).length() < 0.01, qPrintable(QStringLiteral("board (%1, %2), console (%3, %4)")
                                                                        .arg(board.x())
                                                                        .arg(board.y())
                                                                        .arg(console.x())
                                                                        .arg(console.y())));
        // And that place is the tip's, in the arm's plane: along the base's heading.
        const kinematics::ArmPose pose = kinematics::forward(geometry, pulses);
        const double heading = pose.baseTurn * std::numbers::pi / 180;
        const double along = pose.tip.x * std::cos(heading) + pose.tip.y * std::sin(heading);
        const kinematics::PlanePoint drawn = armpicture::frame(geometry.links, size).sideWorld(board);
        QVERIFY(std::abs(drawn.r - along) < 0.01);
        QVERIFY(std::abs(drawn.z - pose.tip.z) < 0.01);
    }
};

SERVO_TEST_MAIN(TestOneArm)
#include "tst_onearm.moc"
