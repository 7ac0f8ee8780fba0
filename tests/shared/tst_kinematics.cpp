// SPDX-License-Identifier: MIT
#include "shared/kinematics.h"

#include <QTest>

#include "support/testmain.h"

#include <cmath>
#include <numbers>
#include <vector>

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
Q_DECLARE_METATYPE(kinematics::PlanePoint)

namespace {

// The default links (base height 70, links 105, 98 and 150 mm), every joint
// at 0° at 1500 µs: at rest stretched out level along +X.
arm::ArmGeometry levelAtRest()
{
    arm::ArmGeometry geometry;
    geometry.calibration.fill(arm::Calibration{});
    return geometry;
}

const arm::ArmGeometry standard = levelAtRest();
const arm::ArmGeometry defaults;
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
    arm::ArmGeometry geometry = levelAtRest();
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
        QTest::newRow("the default arm at rest: upper arm up, forearm and hand level ahead")
            << defaults << JointPulses{1500, 1500, 1500, 1500, 1500, 1500} << Tip{248, 0, 175, 0};
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
                        // The ring the wrist can reach around the shoulder, moved by the hand.
                        const double fromCentre =
                            std::hypot(std::hypot(x, y) - links.hand * std::cos(pitch * std::numbers::pi / 180),
                                       z - links.baseHeight - links.hand * std::sin(pitch * std::numbers::pi / 180));
                        if (fromCentre > links.upperArm + links.forearm + 1e-6
                            || fromCentre < std::abs(links.upperArm - links.forearm) - 1e-6) {
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

    // reach(): the place with the pitch asked for where that reaches, else
    // with the nearest pitch that does (none nearer either way round), else
    // refused with a nearest place within the limits. The places one first
    // tries in front of the default arm are reached.
    void reachNearestPitch_data()
    {
        QTest::addColumn<arm::ArmGeometry>("geometry");
        QTest::addColumn<Tip>("target");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("ahead, low") << defaults << Tip{200, 0, 50, 0} << true;
        QTest::newRow("ahead, high, pitch too low for it") << defaults << Tip{200, 0, 330, -60} << true;
        QTest::newRow("to the left, pointing down") << defaults << Tip{50, 200, 40, -60} << true;
        QTest::newRow("near the base, on the table") << defaults << Tip{150, -100, 0, -90} << true;
        QTest::newRow("far out, level") << defaults << Tip{330, 0, 80, 0} << true;
        QTest::newRow("far out, pitch up") << defaults << Tip{330, 0, 80, 60} << true;
        QTest::newRow("behind, reached over the top") << defaults << Tip{-300, 10, 220, 150} << true;
        QTest::newRow("beyond every link") << defaults << Tip{500, 0, 70, 0} << false;
        QTest::newRow("level arm: behind, past the base's range, reached back")
            << standard << Tip{-200, 10, 70, 0} << true;
        QTest::newRow("below the table's reach") << defaults << Tip{0, 0, -250, -90} << false;
    }
    void reachNearestPitch()
    {
        QFETCH(arm::ArmGeometry, geometry);
        QFETCH(Tip, target);
        QFETCH(bool, reachable);
        const kinematics::Reaching reaching = kinematics::reach(geometry, fullRange, target);
        QCOMPARE(reaching.placed.has_value(), reachable);
        if (!reachable) {
            const auto [mm, degrees] = miss(geometry, withRest(reaching.nearest.pulses), reaching.nearest.tip);
            QVERIFY(mm < 1e-6);
            for (size_t i = 0; i < 4; ++i)
                QVERIFY(fullRange[i].contains(reaching.nearest.pulses[i]));
            return;
        }
        const Tip got = kinematics::forward(geometry, withRest(reaching.placed->pulses)).tip;
        QVERIFY2(std::hypot(got.x - target.x, got.y - target.y, got.z - target.z) < 1,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(got.x).arg(got.y).arg(got.z)));
        const double gap = angleGap(got.pitch, target.pitch);
        for (double nearer = 0; nearer < gap - 0.5; nearer += 0.25) {
            for (const double sign : {1.0, -1.0}) {
                const Tip tried{target.x, target.y, target.z, target.pitch + sign * nearer};
                QVERIFY2(!kinematics::inverse(geometry, fullRange, tried).solved(),
                         qPrintable(QStringLiteral("pitch %1 reaches, %2 was taken").arg(tried.pitch).arg(got.pitch)));
            }
        }
    }

    // A drag along a straight line across the reach, as the side view makes
    // it: every sample reached at a pitch, or refused with a nearest place no
    // farther than any place reached along the line.
    void dragAlongALine_data()
    {
        QTest::addColumn<arm::ArmGeometry>("geometry");
        QTest::addColumn<kinematics::JointLimits>("limits");
        QTest::addColumn<kinematics::PlanePoint>("from");
        QTest::addColumn<kinematics::PlanePoint>("to");
        kinematics::JointLimits narrow;
        narrow.fill({900, 2100});
        QTest::newRow("default arm, out across the table")
            << defaults << fullRange << kinematics::PlanePoint{0, 0} << kinematics::PlanePoint{480, 40};
        QTest::newRow("default arm, from below to above")
            << defaults << fullRange << kinematics::PlanePoint{250, -200} << kinematics::PlanePoint{150, 500};
        QTest::newRow("default arm, narrow ranges, behind to ahead")
            << defaults << narrow << kinematics::PlanePoint{-300, 200} << kinematics::PlanePoint{400, 100};
        QTest::newRow("level arm, across the top")
            << standard << fullRange << kinematics::PlanePoint{-400, 300} << kinematics::PlanePoint{400, 300};
    }
    void dragAlongALine()
    {
        QFETCH(arm::ArmGeometry, geometry);
        QFETCH(kinematics::JointLimits, limits);
        QFETCH(kinematics::PlanePoint, from);
        QFETCH(kinematics::PlanePoint, to);
        constexpr int samples = 60;
        constexpr double pitch = 0;
        int reached = 0;
        std::vector<std::pair<kinematics::PlanePoint, Tip>> refused;
        std::vector<Tip> places;
        for (int i = 0; i <= samples; ++i) {
            const double t = double(i) / samples;
            const kinematics::PlanePoint at{from.r + (to.r - from.r) * t, from.z + (to.z - from.z) * t};
            const kinematics::Reaching reaching =
                kinematics::reachInPlane(geometry, limits, motion::restPulse, at, pitch);
            if (reaching.placed) {
                const kinematics::ArmPose pose = kinematics::forward(geometry, withRest(reaching.placed->pulses));
                QVERIFY2(std::hypot(pose.joints[3].r - at.r, pose.joints[3].z - at.z) < 0.5,
                         qPrintable(QStringLiteral("%1 %2").arg(at.r).arg(at.z)));
                places.push_back(pose.tip);
                ++reached;
            } else {
                for (size_t j = 0; j < 4; ++j)
                    QVERIFY(limits[j].contains(reaching.nearest.pulses[j]));
                refused.push_back({at, reaching.nearest.tip});
            }
        }
        qInfo("%d of %d samples reached", reached, samples + 1);
        QVERIFY(reached > 0);
        for (const auto &[at, nearest] : refused) {
            const double nearestMiss = std::hypot(nearest.x - at.r, nearest.y, nearest.z - at.z);
            for (const Tip &place : places) {
                QVERIFY2(
                    nearestMiss <= std::hypot(place.x - at.r, place.y, place.z - at.z) + 0.5,
                    qPrintable(QStringLiteral("(%1, %2): nearest %3 mm away").arg(at.r).arg(at.z).arg(nearestMiss)));
            }
        }
    }
};

SERVO_TEST_MAIN(TestKinematics)
#include "tst_kinematics.moc"
