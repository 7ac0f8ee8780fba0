// SPDX-License-Identifier: MIT
#include "shared/kinematics.h"

#include <QTest>

#include "support/testmain.h"

#include <cmath>

using arm::Joint;
using kinematics::JointPulses;
using kinematics::Refusal;
using kinematics::Tip;
using FourPulses = std::array<int, 4>;

Q_DECLARE_METATYPE(JointPulses)
Q_DECLARE_METATYPE(Tip)
Q_DECLARE_METATYPE(kinematics::JointLimits)
Q_DECLARE_METATYPE(std::optional<Refusal>)
Q_DECLARE_METATYPE(FourPulses)

namespace {

// The default arm: base height 70, links 105, 98 and 150 mm.
const arm::ArmGeometry standard;
const kinematics::JointLimits fullRange{};

double angleGap(double a, double b)
{
    return std::abs(kinematics::wrapDegrees(a - b));
}

// How far the tip of `pulses` is from `target`: mm and degrees.
std::pair<double, double> miss(const arm::ArmGeometry &geometry, const JointPulses &pulses, const Tip &target)
{
    const Tip tip = kinematics::forward(geometry, pulses).tip;
    return {std::hypot(tip.x - target.x, tip.y - target.y, tip.z - target.z), angleGap(tip.pitch, target.pitch)};
}

JointPulses withRest(const std::array<int, 4> &solved)
{
    return {double(solved[0]), double(solved[1]), double(solved[2]), double(solved[3]), 1500, 1500};
}

arm::ArmGeometry shoulderReversed()
{
    arm::ArmGeometry geometry;
    geometry.calibration[size_t(Joint::Shoulder)].usPerDegree = -2000.0 / 180;
    return geometry;
}

} // namespace

class TestKinematics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forward_data()
    {
        QTest::addColumn<arm::ArmGeometry>("geometry");
        QTest::addColumn<JointPulses>("pulses");
        QTest::addColumn<Tip>("tip");

        QTest::newRow("at rest: stretched out along +X")
            << standard << JointPulses{1500, 1500, 1500, 1500, 1500, 1500} << Tip{353, 0, 70, 0};
        QTest::newRow("base a quarter turn: along +Y")
            << standard << JointPulses{2500, 1500, 1500, 1500, 1500, 1500} << Tip{0, 353, 70, 0};
        QTest::newRow("shoulder up: straight up")
            << standard << JointPulses{1500, 2500, 1500, 1500, 1500, 1500} << Tip{0, 0, 423, 90};
        QTest::newRow("shoulder up, elbow down: forearm level")
            << standard << JointPulses{1500, 2500, 500, 1500, 1500, 1500} << Tip{248, 0, 175, 0};
        QTest::newRow("wrist down: hand hangs")
            << standard << JointPulses{1500, 1500, 1500, 500, 1500, 1500} << Tip{203, 0, -80, -90};
        QTest::newRow("wrist turn and gripper do not move the tip")
            << standard << JointPulses{1500, 1500, 1500, 1500, 600, 2400} << Tip{353, 0, 70, 0};
        QTest::newRow("a reversed shoulder turns down for a larger pulse")
            << shoulderReversed() << JointPulses{1500, 2500, 1500, 1500, 1500, 1500} << Tip{0, 0, -283, -90};
    }
    void forward()
    {
        QFETCH(arm::ArmGeometry, geometry);
        QFETCH(JointPulses, pulses);
        QFETCH(Tip, tip);
        const auto [mm, degrees] = miss(geometry, pulses, tip);
        QVERIFY2(mm < 1e-6 && degrees < 1e-6, qPrintable(QStringLiteral("%1 mm, %2°").arg(mm).arg(degrees)));
    }

    void inverse_data()
    {
        QTest::addColumn<kinematics::JointLimits>("limits");
        QTest::addColumn<Tip>("target");
        QTest::addColumn<std::optional<Refusal>>("refusal");
        QTest::addColumn<FourPulses>("pulses"); // when solved

        kinematics::JointLimits shoulderNarrow = fullRange;
        shoulderNarrow[size_t(Joint::Shoulder)] = {1000, 2000};
        const std::optional<Refusal> solved;
        QTest::newRow("stretched out") << fullRange << Tip{353, 0, 70, 0} << solved
                                       << FourPulses{1500, 1500, 1500, 1500};
        QTest::newRow("elbow up, not down, at the ends of the ranges")
            << fullRange << Tip{248, 0, 175, 0} << solved << FourPulses{1500, 2500, 500, 1500};
        QTest::newRow("to the left: base turned")
            << fullRange << Tip{0, 353, 70, 0} << solved << FourPulses{2500, 1500, 1500, 1500};
        QTest::newRow("too far") << fullRange << Tip{360, 0, 70, 0}
                                 << std::optional<Refusal>(Refusal{Refusal::Reason::OutOfReach, Joint::Base, 0})
                                 << FourPulses{};
        QTest::newRow("too near: the wrist inside the folded links")
            << fullRange << Tip{150, 0, 70, 0}
            << std::optional<Refusal>(Refusal{Refusal::Reason::OutOfReach, Joint::Base, 0}) << FourPulses{};
        QTest::newRow("behind: the base cannot turn so far")
            << fullRange << Tip{-200, 10, 70, 0}
            << std::optional<Refusal>(Refusal{Refusal::Reason::PastLimit, Joint::Base, 3468}) << FourPulses{};
        QTest::newRow("the shoulder's own limit")
            << shoulderNarrow << Tip{248, 0, 175, 0}
            << std::optional<Refusal>(Refusal{Refusal::Reason::PastLimit, Joint::Shoulder, 2500}) << FourPulses{};
    }
    void inverse()
    {
        QFETCH(kinematics::JointLimits, limits);
        QFETCH(Tip, target);
        QFETCH(std::optional<Refusal>, refusal);
        QFETCH(FourPulses, pulses);
        const kinematics::Solution solution = kinematics::inverse(standard, limits, target);
        QCOMPARE(solution.refusal, refusal);
        if (!refusal)
            QCOMPARE(solution.pulses, pulses);
    }

    // Every place on a grid around the arm: solved within the limits, elbow up
    // and back to the place within 1 mm and 1°, or refused, and refused when
    // the wrist would be beyond the links' reach.
    void roundTripOverPlaces_data()
    {
        QTest::addColumn<arm::ArmGeometry>("geometry");
        QTest::addColumn<kinematics::JointLimits>("limits");
        kinematics::JointLimits narrow;
        narrow.fill({900, 2100});
        QTest::newRow("standard arm, full range") << standard << fullRange;
        QTest::newRow("standard arm, narrow ranges") << standard << narrow;
        QTest::newRow("reversed shoulder") << shoulderReversed() << fullRange;
    }
    void roundTripOverPlaces()
    {
        QFETCH(arm::ArmGeometry, geometry);
        QFETCH(kinematics::JointLimits, limits);
        const arm::Links &links = geometry.links;
        int solvedCount = 0;
        double worstMm = 0;
        double worstDegrees = 0;
        for (double x = -400; x <= 400; x += 20) {
            for (double y = -400; y <= 400; y += 20) {
                for (double z = -150; z <= 450; z += 25) {
                    for (double pitch = -90; pitch <= 90; pitch += 15) {
                        const Tip target{x, y, z, pitch};
                        const kinematics::Solution solution = kinematics::inverse(geometry, limits, target);
                        const kinematics::Reach reach = kinematics::reachAtPitch(links, pitch);
                        const double fromCentre = std::hypot(std::hypot(x, y) - reach.centre.r, z - reach.centre.z);
                        if (fromCentre > reach.outer + 1e-6 || fromCentre < reach.inner - 1e-6) {
                            QVERIFY(!solution.solved());
                            QCOMPARE(solution.refusal->reason, Refusal::Reason::OutOfReach);
                        }
                        if (!solution.solved())
                            continue;
                        ++solvedCount;
                        for (size_t i = 0; i < 4; ++i)
                            QVERIFY(limits[i].contains(solution.pulses[i]));
                        QVERIFY(geometry.calibrationOf(Joint::Elbow).degrees(solution.pulses[2]) <= 0.1);
                        const auto [mm, degrees] = miss(geometry, withRest(solution.pulses), target);
                        worstMm = std::max(worstMm, mm);
                        worstDegrees = std::max(worstDegrees, degrees);
                    }
                }
            }
        }
        qInfo("%d places solved; worst round trip %.3f mm, %.3f°", solvedCount, worstMm, worstDegrees);
        QVERIFY(solvedCount > 1000);
        QVERIFY(worstMm < 1);
        QVERIFY(worstDegrees < 1);
    }

    // Every elbow-up pose within the limits whose tip is in front of the base's
    // axis comes back as the same pulses from its own tip.
    void roundTripOverPoses()
    {
        int poses = 0;
        for (int base = 500; base <= 2500; base += 500) {
            for (int shoulder = 500; shoulder <= 2500; shoulder += 250) {
                for (int elbow = 500; elbow <= 1500; elbow += 125) {
                    for (int wrist = 500; wrist <= 2500; wrist += 250) {
                        const JointPulses pulses{double(base), double(shoulder), double(elbow), double(wrist), 1500,
                                                 1500};
                        const kinematics::ArmPose pose = kinematics::forward(standard, pulses);
                        if (pose.joints[3].r < 1)
                            continue;
                        ++poses;
                        const kinematics::Solution solution = kinematics::inverse(standard, fullRange, pose.tip);
                        QVERIFY2(
                            solution.solved(),
                            qPrintable(QStringLiteral("%1 %2 %3 %4").arg(base).arg(shoulder).arg(elbow).arg(wrist)));
                        const std::array<int, 4> expected{base, shoulder, elbow, wrist};
                        for (size_t i = 0; i < 4; ++i)
                            QVERIFY(std::abs(solution.pulses[i] - expected[i]) <= 1);
                    }
                }
            }
        }
        QVERIFY(poses > 1000);
    }
};

SERVO_TEST_MAIN(TestKinematics)
#include "tst_kinematics.moc"
