// SPDX-License-Identifier: MIT
#include "workspace/armview.h"
#include "workspace/ikpanel.h"

#include "core/armtwin.h"

#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "support/eventcount.h"
#include "support/testmain.h"
#include "support/virtualtime.h"

#include <array>
#include <cmath>

using kinematics::Refusal;
using kinematics::Tip;
using Pose = QList<QPair<int, int>>;

Q_DECLARE_METATYPE(Tip)
Q_DECLARE_METATYPE(std::optional<Refusal::Reason>)

namespace {

// The arm view on a twin, in test time, with its panel.
struct Bench {
    VirtualTime time;
    armtwin::ArmTwin twin;
    workspace::ArmView view{twin, time, time};
    workspace::IkPanel panel{view};
    QList<Pose> poses;
    QList<Refusal> refusals;
    QList<Tip> nearest; // offered with each refusal

    Bench()
    {
        QObject::connect(&view, &workspace::ArmView::poseRequested, [this](const Pose &pose) { poses.append(pose); });
        QObject::connect(&view, &workspace::ArmView::poseRefused, [this](const Refusal &refusal, const Tip &offered) {
            refusals.append(refusal);
            nearest.append(offered);
        });
        view.resize(900, 500);
    }
    QDoubleSpinBox *field(const char *name) { return panel.findChild<QDoubleSpinBox *>(QLatin1String(name)); }
};

} // namespace

class TestArmView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // 到达 with the typed place: the pulses per channel (base 5, shoulder 6,
    // elbow 4, wrist 3), or nothing and why.
    void typedPlace_data()
    {
        QTest::addColumn<Tip>("typed");
        QTest::addColumn<std::optional<Refusal::Reason>>("refused");
        QTest::addColumn<Pose>("pose");

        QTest::newRow("where the arm stands at rest") << Tip{248, 0, 175, 0} << std::optional<Refusal::Reason>()
                                                      << Pose{{5, 1500}, {6, 1500}, {4, 1500}, {3, 1500}};
        QTest::newRow("to the left, upper arm level behind")
            << Tip{-105, 0, 318, 90} << std::optional<Refusal::Reason>()
            << Pose{{5, 1500}, {6, 2500}, {4, 1500}, {3, 1500}};
        QTest::newRow("out of reach") << Tip{500, 0, 70, 0} << std::optional(Refusal::Reason::OutOfReach) << Pose{};
    }
    void typedPlace()
    {
        QFETCH(Tip, typed);
        QFETCH(std::optional<Refusal::Reason>, refused);
        QFETCH(Pose, pose);
        Bench bench;
        bench.field("ikX")->setValue(typed.x);
        bench.field("ikY")->setValue(typed.y);
        bench.field("ikZ")->setValue(typed.z);
        bench.field("ikPitch")->setValue(typed.pitch);
        QTest::mouseClick(bench.panel.findChild<QPushButton *>(QStringLiteral("ikApply")), Qt::LeftButton);
        QCOMPARE(bench.poses, refused ? QList<Pose>{} : QList<Pose>{pose});
        QCOMPARE(bench.refusals.size(), refused ? 1 : 0);
        if (refused)
            QCOMPARE(bench.refusals.first().reason, *refused);
    }

    void fieldsFollowTheSliders()
    {
        Bench bench;
        const arm::ArmGeometry geometry;
        const auto shown = [&] {
            return std::array<double, 4>{bench.field("ikX")->value(), bench.field("ikY")->value(),
                                         bench.field("ikZ")->value(), bench.field("ikPitch")->value()};
        };
        const auto expected = [](const kinematics::JointPulses &pulses) {
            const Tip tip = kinematics::forward(arm::ArmGeometry{}, pulses).tip;
            const auto rounded = [](double value) { return std::round(value * 10) / 10; };
            return std::array<double, 4>{rounded(tip.x), rounded(tip.y), rounded(tip.z), rounded(tip.pitch)};
        };
        QCOMPARE(shown(), expected({1500, 1500, 1500, 1500, 1500, 1500}));
        bench.view.setTargetPulse(geometry.channel(arm::Joint::Shoulder), 2200);
        QCOMPARE(shown(), expected({1500, 2200, 1500, 1500, 1500, 1500}));
        bench.view.setTargetPulse(geometry.channel(arm::Joint::Wrist), 900);
        QCOMPARE(shown(), expected({1500, 2200, 1500, 900, 1500, 1500}));
    }

    // Dragging the tip in the side view: every step of the pointer either
    // moves the target's tip there, with the pitch kept where that reaches and
    // the nearest pitch that does elsewhere, or is refused with the nearest
    // place the arm reaches.
    void dragInTheSideView_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("z");
        QTest::addColumn<bool>("reached");
        QTest::addColumn<bool>("pitchKept");
        QTest::newRow("nearer and higher") << 200.0 << 220.0 << true << true;
        QTest::newRow("farther and lower") << 280.0 << 60.0 << true << true;
        QTest::newRow("high above: the pitch gives") << 150.0 << 380.0 << true << false;
        QTest::newRow("beyond the reach") << 480.0 << 70.0 << false << false;
    }
    void dragInTheSideView()
    {
        QFETCH(double, r);
        QFETCH(double, z);
        QFETCH(bool, reached);
        QFETCH(bool, pitchKept);
        Bench bench;
        bench.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.view));
        const Tip before = bench.view.targetTip();
        QTest::mousePress(&bench.view, Qt::LeftButton, {}, bench.view.sidePoint({before.x, before.z}).toPoint());
        constexpr int steps = 20; // many small moves, as a hand makes them
        for (int step = 1; step <= steps; ++step) {
            const double t = double(step) / steps;
            QTest::mouseMove(
                &bench.view,
                bench.view.sidePoint({before.x + (r - before.x) * t, before.z + (z - before.z) * t}).toPoint());
        }
        QTest::mouseRelease(&bench.view, Qt::LeftButton, {}, bench.view.sidePoint({r, z}).toPoint());
        QCOMPARE(bench.poses.size() + bench.refusals.size(), steps + 1); // the press, then each move
        const Tip after = bench.view.targetTip();
        if (!reached) {
            QCOMPARE(bench.refusals.last().reason, Refusal::Reason::OutOfReach);
            const Tip nearest = bench.nearest.last();
            QVERIFY2(std::hypot(nearest.x - r, nearest.z - z) <= std::hypot(after.x - r, after.z - z) + 0.5,
                     qPrintable(QStringLiteral("%1 %2").arg(nearest.x).arg(nearest.z)));
            return;
        }
        QVERIFY(bench.refusals.isEmpty());
        QVERIFY2(std::hypot(after.x - r, after.z - z) < 3,
                 qPrintable(QStringLiteral("%1 %2").arg(after.x).arg(after.z)));
        QCOMPARE(std::abs(after.pitch - before.pitch) < 0.15, pitchKept);
    }

    void dragInTheTopViewTurnsTheBase()
    {
        Bench bench;
        bench.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.view));
        const QPoint at = bench.view.topPoint(200, 200).toPoint(); // 45° to the left
        QTest::mousePress(&bench.view, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&bench.view, Qt::LeftButton, {}, at);
        QCOMPARE(bench.poses.size(), 1);
        QCOMPARE(bench.poses.first().size(), 1);
        QCOMPARE(bench.poses.first().first().first, 5);
        QVERIFY(std::abs(bench.poses.first().first().second - 2000) <= 3);
    }

    // Frames come from the timer while the twin moves, and stop at rest.
    void animatesOnlyWhileTheTwinMoves()
    {
        Bench bench;
        bench.view.twinChanged();
        QVERIFY(!bench.view.animating());
        bench.time.advance(1000);
        bench.twin.sent("#5P2000S300\r", bench.time.nowNs() / 1000); // 1.67 s on its way
        bench.view.twinChanged();
        QVERIFY(bench.view.animating());
        int frames = 0;
        bench.time.advance(1000, [&] { ++frames; });
        QVERIFY(bench.view.animating());
        QVERIFY2(frames >= 25 && frames <= 200, qPrintable(QString::number(frames)));
        bench.time.advance(1000);
        QVERIFY(!bench.view.animating());
    }

    // The twin is drawn again only when it has moved a visible distance.
    void repaintsOnlyForAVisibleMove_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<bool>("repainted");

        QTest::newRow("a channel outside the arm") << QByteArray("#31P2000\r") << false;
        QTest::newRow("the wrist by 1 us") << QByteArray("#3P1501\r") << false;
        QTest::newRow("the wrist by 300 us") << QByteArray("#3P1800\r") << true;
        QTest::newRow("the base by 300 us") << QByteArray("#5P1800\r") << true;
    }
    void repaintsOnlyForAVisibleMove()
    {
        QFETCH(QByteArray, sent);
        QFETCH(bool, repainted);
        Bench bench;
        bench.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.view));
        EventCount paints(bench.view, QEvent::Paint);
        bench.twin.sent(sent, bench.time.nowNs() / 1000);
        bench.view.twinChanged();
        bench.time.advance(3000);
        QCoreApplication::processEvents();
        QCOMPARE(paints.count() > 0, repainted);
    }

    // The view keeps a picture of what only its size and the arm decide: after
    // each change it shows what a view drawn afresh shows.
    void showsEachChange_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("another arm") << 0;
        QTest::newRow("resized") << 1;
        QTest::newRow("a place out of reach refused") << 2;
    }
    void showsEachChange()
    {
        QFETCH(int, change);
        const auto apply = [change](Bench &bench) {
            switch (change) {
            case 0: {
                arm::ArmGeometry longer;
                longer.links.upperArm *= 1.5;
                bench.view.setArm(longer, {});
                break;
            }
            case 1:
                bench.view.resize(700, 400);
                break;
            case 2:
                bench.view.reach(Tip{500, 0, 70, 0});
                break;
            }
        };
        Bench shown;
        const QImage before = shown.view.grab().toImage();
        apply(shown);
        const QImage after = shown.view.grab().toImage();
        Bench fresh;
        apply(fresh);
        QVERIFY(after != before);
        QCOMPARE(after, fresh.view.grab().toImage());
    }
};

SERVO_TEST_MAIN(TestArmView)
#include "tst_armview.moc"
