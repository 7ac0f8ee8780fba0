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

    Bench()
    {
        QObject::connect(&view, &workspace::ArmView::poseRequested, [this](const Pose &pose) { poses.append(pose); });
        QObject::connect(&view, &workspace::ArmView::poseRefused,
                         [this](const Refusal &refusal) { refusals.append(refusal); });
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

        QTest::newRow("forearm level, elbow up") << Tip{248, 0, 175, 0} << std::optional<Refusal::Reason>()
                                                 << Pose{{5, 1500}, {6, 2500}, {4, 500}, {3, 1500}};
        QTest::newRow("out of reach") << Tip{500, 0, 70, 0} << std::optional(Refusal::Reason::OutOfReach) << Pose{};
        QTest::newRow("behind the base's range")
            << Tip{-300, 0, 70, 0} << std::optional(Refusal::Reason::PastLimit) << Pose{};
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
        QCOMPARE(bench.field("ikX")->value(), 353.0);
        bench.view.setTargetPulse(6, 2500); // the shoulder straight up
        QCOMPARE(bench.field("ikX")->value(), 0.0);
        QCOMPARE(bench.field("ikZ")->value(), 423.0);
        QCOMPARE(bench.field("ikPitch")->value(), 90.0);
    }

    // Dragging the tip in the side view: the target's tip follows the pointer
    // with the pitch kept, or nothing moves when the place is out of reach.
    void dragInTheSideView_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("z");
        QTest::addColumn<bool>("reached");
        QTest::newRow("nearer and higher") << 300.0 << 120.0 << true;
        QTest::newRow("lower") << 280.0 << 0.0 << true;
        QTest::newRow("beyond the reach") << 420.0 << 70.0 << false;
    }
    void dragInTheSideView()
    {
        QFETCH(double, r);
        QFETCH(double, z);
        QFETCH(bool, reached);
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
        const Tip after = bench.view.targetTip();
        if (!reached) {
            QCOMPARE(bench.refusals.last().reason, Refusal::Reason::OutOfReach);
            QVERIFY(std::abs(after.x - before.x) < 3);
            return;
        }
        QVERIFY(!bench.poses.isEmpty());
        QVERIFY2(std::hypot(after.x - r, after.z - z) < 3,
                 qPrintable(QStringLiteral("%1 %2").arg(after.x).arg(after.z)));
        QVERIFY2(std::abs(after.pitch - before.pitch) < 0.15, qPrintable(QString::number(after.pitch)));
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
        QTest::newRow("a turn past the base's range refused") << 2;
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
                bench.view.reach(Tip{-300, 0, 70, 0});
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
