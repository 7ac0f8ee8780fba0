// SPDX-License-Identifier: MIT
#include "input/padsettings.h"

#include <QTest>
#include "support/testmain.h"

using Stored = QMap<QString, QVariant>;

// The pad's settings as the settings file keeps them.
class TestPadSettings : public QObject
{
    Q_OBJECT

    static pad::Settings readFrom(const Stored &stored)
    {
        return pad::read([&stored](const QString &key) { return stored.value(key); });
    }
    static Stored written(const pad::Settings &settings)
    {
        Stored stored;
        pad::write(settings, [&stored](const QString &key, const QVariant &value) { stored.insert(key, value); });
        return stored;
    }

private Q_SLOTS:
    void readsWhatWasWritten_data()
    {
        QTest::addColumn<pad::Settings>("settings");

        QTest::newRow("the defaults") << pad::defaults();
        pad::Settings changed = pad::defaults();
        changed.axes[size_t(pad::Axis::LeftX)] = {arm::Joint::WristTurn, false, pad::TipAxis::Z, false};
        changed.axes[size_t(pad::Axis::RightY)] = {std::nullopt, false, std::nullopt, false};
        changed.axes[size_t(pad::Axis::LeftTrigger)] = {arm::Joint::Gripper, true, pad::TipAxis::Pitch, true};
        changed.record = pad::Button::DpadRight;
        changed.stop = pad::Button::Start;
        changed.switchMode = pad::Button::RightShoulder;
        changed.deadZonePercent = pad::mostDeadZonePercent;
        changed.jointRate = pad::leastJointRate;
        changed.tipRate = pad::mostTipRate;
        changed.pitchRate = pad::leastPitchRate;
        QTest::newRow("every kind of change") << changed;
    }
    void readsWhatWasWritten()
    {
        QFETCH(pad::Settings, settings);
        const Stored stored = written(settings);
        QVERIFY(std::all_of(stored.keyBegin(), stored.keyEnd(),
                            [](const QString &key) { return key.startsWith(QStringLiteral("gamepad/")); }));
        QCOMPARE(readFrom(stored), settings);
    }

    // What nobody wrote, or what cannot be right, keeps its default.
    void unreadableKeepsTheDefault_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("an unknown joint") << "gamepad/leftx/joint" << QVariant("-knee");
        QTest::newRow("an unknown tip axis") << "gamepad/righty/tip" << QVariant("w");
        QTest::newRow("an unknown button") << "gamepad/record" << QVariant("turbo");
        QTest::newRow("two actions on one button") << "gamepad/record" << QVariant("b");
        QTest::newRow("a dead zone past its most") << "gamepad/deadZone" << QVariant(pad::mostDeadZonePercent + 1);
        QTest::newRow("a negative dead zone") << "gamepad/deadZone" << QVariant(-1);
        QTest::newRow("a rate below its least") << "gamepad/jointRate" << QVariant(pad::leastJointRate - 1);
        QTest::newRow("a rate that is no number") << "gamepad/tipRate" << QVariant("fast");
        QTest::newRow("a pitch rate past its most") << "gamepad/pitchRate" << QVariant(pad::mostPitchRate + 1);
    }
    void unreadableKeepsTheDefault()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QCOMPARE(readFrom({{key, value}}), pad::defaults());
        // Among other settings that are read, too.
        pad::Settings other = pad::defaults();
        other.tipRate = pad::leastTipRate;
        Stored stored = written(other);
        stored.insert(key, value);
        const pad::Settings read = readFrom(stored);
        QCOMPARE(read.tipRate, key == u"gamepad/tipRate" ? pad::defaults().tipRate : pad::leastTipRate);
    }

    // An empty binding is a choice of its own: the axis moves nothing.
    void anEmptyBindingMovesNothing()
    {
        const pad::Settings read = readFrom({{"gamepad/leftx/joint", QString()}, {"gamepad/leftx/tip", QString()}});
        QCOMPARE(read.axes[size_t(pad::Axis::LeftX)], pad::AxisBinding{});
        QCOMPARE(read.axes[size_t(pad::Axis::LeftY)], pad::defaults().axes[size_t(pad::Axis::LeftY)]);
    }
};

SERVO_TEST_MAIN(TestPadSettings)
#include "tst_padsettings.moc"
