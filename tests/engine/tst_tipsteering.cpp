// SPDX-License-Identifier: MIT
#include "core/currentprofile.h"
#include "core/posedraft.h"
#include "engine/tipsteering.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

#include <cmath>

using kinematics::Refusal;
using kinematics::Tip;

Q_DECLARE_METATYPE(Refusal::Reason)
Q_DECLARE_METATYPE(arm::Joint)

namespace {

// The base may turn 1400..1600 µs; the shoulder, elbow and wrist as they like.
const QByteArray narrowBase = R"({"channels": {"5": {"min": 1400, "max": 1600}}})";
// The same arm with a longer forearm.
const QByteArray longerForearm = R"({"arm": {"linksMm": {"forearm": 120}}})";

// Steering the pose being edited, from an arm bent at the elbow, reaching forward.
struct Bench {
    explicit Bench(const QByteArray &profileJson = {})
    {
        if (!profileJson.isEmpty())
            loadProfile(profileJson);
        const arm::ArmGeometry &arm = profile.arm();
        const int pulses[] = {1500, 2000, 722, 1778};
        for (size_t joint = 0; joint < std::size(pulses); ++joint)
            pose.move(arm.channels[joint], pulses[joint], PoseDraft::Origin::Load);
        for (int channel = 0; channel < motion::channelCount; ++channel)
            pose.setTicked(channel, false);
    }
    void loadProfile(const QByteArray &json)
    {
        const QString path = folder.filePath(QStringLiteral("arm.json"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size())
            qFatal("arm.json not written");
        file.close();
        if (!profile.load(path).problems.isEmpty())
            qFatal("arm.json not read as it is");
    }
    // Where the pose's pulses put the tip.
    Tip poseTip() const
    {
        kinematics::JointPulses pulses{};
        for (int joint = 0; joint < arm::jointCount; ++joint)
            pulses[size_t(joint)] = pose.pulse(profile.arm().channels[size_t(joint)]);
        return kinematics::forward(profile.arm(), pulses).tip;
    }

    QTemporaryDir folder;
    CurrentProfile profile;
    PoseDraft pose;
    TipSteering steering{pose, profile};
};

double distance(const Tip &a, const Tip &b)
{
    return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z);
}

} // namespace

// The gripper's tip steered by steps through the solver, as the pad's sticks
// and the arm view's keys steer it.
class TestTipSteering : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Steps add up to where they lead, however small each one is against a
    // pulse's worth, and the hand's pitch holds while the tip travels; every
    // pulse goes out as the pad's live move, its channel ticked.
    void stepsAddUp_data()
    {
        QTest::addColumn<TipStep>("step");
        QTest::addColumn<int>("count");
        QTest::newRow("a held stick's creep along X") << TipStep{0.05, 0, 0, 0} << 200;
        QTest::newRow("a slow sideways creep") << TipStep{0, -0.03, 0, 0} << 400;
        QTest::newRow("keys up along Z") << TipStep{0, 0, 2, 0} << 10;
        QTest::newRow("a slow pitch") << TipStep{0, 0, 0, 0.02} << 250;
        QTest::newRow("back, down and pitched") << TipStep{-0.5, 0, -0.25, -0.1} << 40;
    }
    void stepsAddUp()
    {
        QFETCH(TipStep, step);
        QFETCH(int, count);
        Bench b;
        const Tip start = b.poseTip();
        QCOMPARE(distance(b.steering.tip(), start), 0.0);
        QSignalSpy moves(&b.pose, &PoseDraft::moved);
        QSignalSpy refusals(&b.steering, &TipSteering::refused);
        for (int n = 0; n < count; ++n)
            QVERIFY(b.steering.step(step));
        QCOMPARE(refusals.size(), 0);

        const Tip asked = start + TipStep{step.x * count, step.y * count, step.z * count, step.pitch * count};
        const Tip reached = b.poseTip();
        // Within what rounding each joint to a whole µs leaves.
        QVERIFY2(distance(reached, asked) < 1.0, qPrintable(QStringLiteral("asked %1, %2, %3, reached %4, %5, %6")
                                                                .arg(asked.x)
                                                                .arg(asked.y)
                                                                .arg(asked.z)
                                                                .arg(reached.x)
                                                                .arg(reached.y)
                                                                .arg(reached.z)));
        QVERIFY2(std::abs(reached.pitch - asked.pitch) < 0.25,
                 qPrintable(QStringLiteral("pitch asked %1, reached %2").arg(asked.pitch).arg(reached.pitch)));
        QVERIFY(!moves.isEmpty());
        for (const QList<QVariant> &move : std::as_const(moves)) {
            QCOMPARE(move.at(2).value<PoseDraft::Origin>(), PoseDraft::Origin::Gamepad);
            QVERIFY(b.pose.ticked(move.at(0).toInt()));
        }
    }

    // A place with no pose moves nothing and says why.
    void refusedPlacesMoveNothing_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<TipStep>("step");
        QTest::addColumn<Refusal::Reason>("reason");
        QTest::addColumn<arm::Joint>("joint"); // of a limit
        QTest::newRow("beyond the links")
            << QByteArray() << TipStep{400, 0, 0, 0} << Refusal::Reason::OutOfReach << arm::Joint::Base;
        QTest::newRow("past the base's limit")
            << narrowBase << TipStep{0, 80, 0, 0} << Refusal::Reason::PastLimit << arm::Joint::Base;
    }
    void refusedPlacesMoveNothing()
    {
        QFETCH(QByteArray, profile);
        QFETCH(TipStep, step);
        QFETCH(Refusal::Reason, reason);
        QFETCH(arm::Joint, joint);
        Bench b(profile);
        const Tip before = b.steering.tip();
        QSignalSpy moves(&b.pose, &PoseDraft::moved);
        QSignalSpy refusals(&b.steering, &TipSteering::refused);
        QVERIFY(!b.steering.step(step));
        QCOMPARE(moves.size(), 0);
        QCOMPARE(refusals.size(), 1);
        const auto refusal = refusals.first().first().value<Refusal>();
        QCOMPARE(refusal.reason, reason);
        if (reason == Refusal::Reason::PastLimit)
            QCOMPARE(refusal.joint, joint);
        // The next step starts from where the tip still is.
        QCOMPARE(distance(b.steering.tip(), before), 0.0);
    }

    // The tip kept between steps is only the pose's own: a slider moved, or
    // another arm taken, and it is where the pose puts it again.
    void whereTheTipStands_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("kept");
        QTest::newRow("nothing else") << "" << true;
        QTest::newRow("a slider moved") << "slider" << false;
        QTest::newRow("another arm") << "profile" << false;
    }
    void whereTheTipStands()
    {
        QFETCH(QString, then);
        QFETCH(bool, kept);
        Bench b;
        const Tip start = b.steering.tip();
        // Too small a step to move any joint by a whole µs.
        const TipStep creep{0.01, 0, 0, 0};
        QVERIFY(b.steering.step(creep));
        if (then == u"slider")
            b.pose.move(b.profile.arm().channel(arm::Joint::Elbow), 1250, PoseDraft::Origin::Operator);
        else if (then == u"profile")
            b.loadProfile(longerForearm);
        const Tip tip = b.steering.tip();
        if (kept)
            QVERIFY(std::abs(distance(tip, start) - creep.x) < 1e-9);
        else
            QCOMPARE(distance(tip, b.poseTip()), 0.0);
    }
};

SERVO_TEST_MAIN(TestTipSteering)
#include "tst_tipsteering.moc"
