// SPDX-License-Identifier: MIT
#include "shared/easing.h"

#include <QTest>

#include "support/testmain.h"

#include <cmath>

using easing::Curve;

class TestEasing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void curves_data()
    {
        QTest::addColumn<Curve>("curve");
        QTest::addColumn<double>("atQuarter"); // the share of the way done at a quarter of the time
        for (const Curve curve : easing::allCurves) {
            static const std::map<Curve, double> quarter{
                {Curve::Linear, 0.25},
                {Curve::InSine, 1 - std::sqrt(0.5 + std::sqrt(0.5) / 2)},
                {Curve::OutSine, std::sqrt(0.5 - std::sqrt(0.5) / 2)},
                {Curve::InOutSine, (1 - std::sqrt(0.5)) / 2},
                {Curve::InQuad, 0.0625},
                {Curve::OutQuad, 0.4375},
                {Curve::InOutQuad, 0.125},
                {Curve::InCubic, 0.015625},
                {Curve::OutCubic, 0.578125},
                {Curve::InOutCubic, 0.0625},
            };
            QTest::newRow(qPrintable(easing::name(curve))) << curve << quarter.at(curve);
        }
    }

    // Every curve starts at rest and ends at its target, rises without going
    // back, takes the named point, and its steepest slope is the one it names.
    void curves()
    {
        QFETCH(Curve, curve);
        QFETCH(double, atQuarter);
        QCOMPARE(easing::progress(curve, 0), 0.0);
        QCOMPARE(easing::progress(curve, 1), 1.0);
        QCOMPARE(easing::progress(curve, -0.5), 0.0);
        QCOMPARE(easing::progress(curve, 1.5), 1.0);
        QVERIFY(std::abs(easing::progress(curve, 0.25) - atQuarter) < 1e-12);

        constexpr int samples = 100000;
        double steepest = 0;
        double before = 0;
        for (int i = 1; i <= samples; ++i) {
            const double now = easing::progress(curve, double(i) / samples);
            QVERIFY2(now >= before, qPrintable(QStringLiteral("goes back at %1").arg(double(i) / samples)));
            steepest = std::max(steepest, (now - before) * samples);
            before = now;
        }
        QVERIFY2(std::abs(steepest - easing::peakSlope(curve)) < 1e-3,
                 qPrintable(QStringLiteral("steepest %1, named %2").arg(steepest).arg(easing::peakSlope(curve))));
    }

    void names_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<Curve>>("curve");
        QTest::newRow("linear") << "linear" << std::optional(Curve::Linear);
        QTest::newRow("inOutCubic") << "inOutCubic" << std::optional(Curve::InOutCubic);
        QTest::newRow("case matters") << "InOutCubic" << std::optional<Curve>();
        QTest::newRow("unknown") << "bounce" << std::optional<Curve>();
        QTest::newRow("empty") << "" << std::optional<Curve>();
    }

    void names()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<Curve>, curve);
        QCOMPARE(easing::fromName(text), curve);
        if (curve)
            QCOMPARE(easing::name(*curve), text);
    }
};

SERVO_TEST_MAIN(TestEasing)
#include "tst_easing.moc"
