// SPDX-License-Identifier: MIT
#pragma once

#include "input/padsettings.h"
#include "input/tipstep.h"
#include "shared/armgeometry.h"
#include "shared/kinematics.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

// A game pad as a puppeteer's control, through SDL's game controller
// interface (any pad SDL knows). It never writes to a port: it asks, with
// typed requests, and the program carries them out.
//
// Whoever owns it calls poll() every few milliseconds on the GUI thread (no
// thread of its own). Each poll reads the pad and turns each axis's deflection,
// past the dead zone, into a rate (settings: µs/s, mm/s or °/s at full tilt)
// over the time since the last poll on the clock given, at most longestStepMs
// of it, so a stalled window does not jump the arm when it wakes:
//   - while the sticks drive the joints, the rates move each joint's target
//     pulse, within its limits, from where follow() last said the joint stands;
//     a joint not yet followed is not moved;
//   - while they drive the tip, an axis with a tip binding moves the tip
//     instead (the others still drive their joints);
//   - the record button asks for a pose line, the stop button for the
//     emergency stop, the mode button switches joints ⇄ tip.
// After the stop, and when a pad is plugged in, the sticks move nothing until
// every axis is back inside the dead zone: a stick held over cannot carry on.
//
// The first game controller found is used; when it is pulled out, the next one
// there is. When SDL cannot start, or no pad is there, it is simply idle.
class Gamepad final : public QObject
{
    Q_OBJECT

public:
    enum class Mode { Joints, Tip };
    Q_ENUM(Mode)

    static constexpr int pollIntervalMs = 10;
    static constexpr int longestStepMs = 100;

    // Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;

    explicit Gamepad(Clock clock, QObject *parent = nullptr);
    ~Gamepad() override;

    // Whether SDL's game controller layer started; why not, in SDL's words.
    bool started() const { return m_started; }
    QString startProblem() const { return m_startProblem; }

    bool attached() const;
    QString padName() const;
    Mode mode() const { return m_mode; }
    // The sticks wait to be let go before they move anything again.
    bool holding() const { return m_holding; }

    void setSettings(const pad::Settings &settings) { m_settings = settings; }
    const pad::Settings &settings() const { return m_settings; }
    // The board channel of each joint and the pulses each may take.
    void setArm(const arm::ArmGeometry &geometry, const kinematics::JointLimits &limits);
    // `channel` stands at `pulse` now, whoever moved it.
    void follow(int channel, int pulse);

public Q_SLOTS:
    void poll();

Q_SIGNALS:
    void padAttached(const QString &name);
    void padDetached(const QString &name);
    void moveRequested(int channel, int pulse);
    void tipMoveRequested(const TipStep &step);
    void recordRequested();
    void stopRequested();
    void modeChanged(Gamepad::Mode mode);

private:
    struct Session;
    struct Joint {
        std::optional<double> target; // unknown until followed
        int requested = 0;            // the pulse last asked for or followed
    };

    void watchAttachment();
    void takeEvents();
    void press(int sdlButton);
    std::array<double, pad::axisCount> deflections() const;
    void drive(const std::array<double, pad::axisCount> &deflection, double seconds);

    Clock m_clock;
    std::optional<qint64> m_lastPollMs;
    bool m_started = false;
    QString m_startProblem;
    std::unique_ptr<Session> m_session;
    pad::Settings m_settings = pad::defaults();
    arm::ArmGeometry m_geometry;
    kinematics::JointLimits m_limits{};
    std::array<Joint, arm::jointCount> m_joints{};
    Mode m_mode = Mode::Joints;
    bool m_holding = false;
};
