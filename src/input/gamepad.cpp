// SPDX-License-Identifier: MIT
#include "gamepad.h"

// The program has its own main(); SDL must not take it over.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr SDL_GameControllerAxis sdlAxes[pad::axisCount] = {
    SDL_CONTROLLER_AXIS_LEFTX,  SDL_CONTROLLER_AXIS_LEFTY,       SDL_CONTROLLER_AXIS_RIGHTX,
    SDL_CONTROLLER_AXIS_RIGHTY, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_CONTROLLER_AXIS_TRIGGERRIGHT};

constexpr SDL_GameControllerButton sdlButtons[pad::buttonCount] = {
    SDL_CONTROLLER_BUTTON_A,
    SDL_CONTROLLER_BUTTON_B,
    SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y,
    SDL_CONTROLLER_BUTTON_BACK,
    SDL_CONTROLLER_BUTTON_START,
    SDL_CONTROLLER_BUTTON_LEFTSTICK,
    SDL_CONTROLLER_BUTTON_RIGHTSTICK,
    SDL_CONTROLLER_BUTTON_LEFTSHOULDER,
    SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
    SDL_CONTROLLER_BUTTON_DPAD_UP,
    SDL_CONTROLLER_BUTTON_DPAD_DOWN,
    SDL_CONTROLLER_BUTTON_DPAD_LEFT,
    SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
};

bool is(int sdlButton, pad::Button button)
{
    return sdlButton == sdlButtons[size_t(button)];
}

// A raw axis reading as a share of full tilt, -1..1, with the dead zone cut
// out: the rest of the travel is stretched over the whole range, so the move
// starts from nothing at the zone's edge.
double pastDeadZone(Sint16 raw, int deadZonePercent)
{
    const double tilt = std::max(-1.0, raw / double(SDL_JOYSTICK_AXIS_MAX));
    const double zone = deadZonePercent / 100.0;
    if (std::abs(tilt) <= zone)
        return 0;
    return std::copysign((std::abs(tilt) - zone) / (1 - zone), tilt);
}

// `from` moved by `step` within `range`; a pulse already outside the range is
// not pulled in at once, nor sent further out.
double movedWithin(double from, double step, const kinematics::PulseRange &range)
{
    const double to = from + step;
    if (step > 0)
        return std::max(from, std::min(to, double(range.max)));
    return std::min(from, std::max(to, double(range.min)));
}

} // namespace

struct Gamepad::Session {
    SDL_GameController *controller = nullptr;
    SDL_JoystickID id = -1;
    QString name;
};

Gamepad::Gamepad(Clock clock, QObject *parent) : QObject(parent), m_clock(std::move(clock))
{
    // The program handles its own termination signals.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // SDL has no window of its own here to be in the foreground.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_SetMainReady();
    m_started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!m_started)
        m_startProblem = QString::fromUtf8(SDL_GetError());
}

Gamepad::~Gamepad()
{
    if (m_session)
        SDL_GameControllerClose(m_session->controller);
    if (m_started)
        SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

bool Gamepad::attached() const
{
    return m_session != nullptr;
}

QString Gamepad::padName() const
{
    return m_session ? m_session->name : QString();
}

void Gamepad::setArm(const arm::ArmGeometry &geometry, const kinematics::JointLimits &limits)
{
    for (int j = 0; j < arm::jointCount; ++j) {
        if (geometry.channels[size_t(j)] != m_geometry.channels[size_t(j)])
            m_joints[size_t(j)] = {};
    }
    m_geometry = geometry;
    m_limits = limits;
}

void Gamepad::follow(int channel, int pulse)
{
    for (int j = 0; j < arm::jointCount; ++j) {
        Joint &joint = m_joints[size_t(j)];
        // The pad's own request coming back keeps the fraction it has moved past it.
        if (m_geometry.channels[size_t(j)] == channel && (!joint.target || joint.requested != pulse)) {
            joint.target = pulse;
            joint.requested = pulse;
        }
    }
}

void Gamepad::poll()
{
    const qint64 now = m_clock();
    const qint64 elapsedMs = m_lastPollMs ? std::clamp<qint64>(now - *m_lastPollMs, 0, longestStepMs) : 0;
    m_lastPollMs = now;
    if (!m_started)
        return;
    SDL_PumpEvents();
    watchAttachment();
    takeEvents();
    if (!m_session)
        return;
    const auto deflection = deflections();
    if (m_holding) {
        m_holding = std::any_of(deflection.begin(), deflection.end(), [](double d) { return d != 0; });
        return;
    }
    drive(deflection, double(elapsedMs) / 1000);
}

void Gamepad::watchAttachment()
{
    if (m_session && !SDL_GameControllerGetAttached(m_session->controller)) {
        const QString name = m_session->name;
        SDL_GameControllerClose(m_session->controller);
        m_session.reset();
        Q_EMIT padDetached(name);
    }
    for (int index = 0; !m_session && index < SDL_NumJoysticks(); ++index) {
        if (!SDL_IsGameController(index))
            continue;
        SDL_GameController *controller = SDL_GameControllerOpen(index);
        if (!controller)
            continue;
        const char *name = SDL_GameControllerName(controller);
        m_session = std::make_unique<Session>(Session{controller,
                                                      SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller)),
                                                      name ? QString::fromUtf8(name) : QString()});
        m_holding = true;
        Q_EMIT padAttached(m_session->name);
    }
}

void Gamepad::takeEvents()
{
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_CONTROLLERBUTTONDOWN && m_session && event.cbutton.which == m_session->id)
            press(event.cbutton.button);
    }
}

void Gamepad::press(int sdlButton)
{
    if (is(sdlButton, m_settings.stop)) {
        m_holding = true;
        Q_EMIT stopRequested();
    } else if (is(sdlButton, m_settings.record)) {
        Q_EMIT recordRequested();
    } else if (is(sdlButton, m_settings.switchMode)) {
        m_mode = m_mode == Mode::Joints ? Mode::Tip : Mode::Joints;
        Q_EMIT modeChanged(m_mode);
    }
}

std::array<double, pad::axisCount> Gamepad::deflections() const
{
    std::array<double, pad::axisCount> deflection{};
    for (int a = 0; a < pad::axisCount; ++a) {
        deflection[size_t(a)] =
            pastDeadZone(SDL_GameControllerGetAxis(m_session->controller, sdlAxes[a]), m_settings.deadZonePercent);
    }
    return deflection;
}

void Gamepad::drive(const std::array<double, pad::axisCount> &deflection, double seconds)
{
    std::array<double, arm::jointCount> jointRates{}; // µs/s
    std::array<double, pad::tipAxisCount> tipRates{}; // mm/s, °/s for the pitch
    for (int a = 0; a < pad::axisCount; ++a) {
        const double d = deflection[size_t(a)];
        const pad::AxisBinding &binding = m_settings.axes[size_t(a)];
        if (d == 0)
            continue;
        if (m_mode == Mode::Tip && binding.tip) {
            const int rate = *binding.tip == pad::TipAxis::Pitch ? m_settings.pitchRate : m_settings.tipRate;
            tipRates[size_t(*binding.tip)] += (binding.tipReversed ? -d : d) * rate;
        } else if (binding.joint) {
            jointRates[size_t(*binding.joint)] += (binding.jointReversed ? -d : d) * m_settings.jointRate;
        }
    }
    for (int j = 0; j < arm::jointCount; ++j) {
        Joint &joint = m_joints[size_t(j)];
        if (jointRates[size_t(j)] == 0 || !joint.target)
            continue;
        joint.target = movedWithin(*joint.target, jointRates[size_t(j)] * seconds, m_limits[size_t(j)]);
        const int pulse = int(std::lround(*joint.target));
        if (pulse != joint.requested) {
            joint.requested = pulse;
            Q_EMIT moveRequested(m_geometry.channels[size_t(j)], pulse);
        }
    }
    using pad::TipAxis;
    const TipStep step{tipRates[size_t(TipAxis::X)] * seconds, tipRates[size_t(TipAxis::Y)] * seconds,
                       tipRates[size_t(TipAxis::Z)] * seconds, tipRates[size_t(TipAxis::Pitch)] * seconds};
    if (!step.isNull())
        Q_EMIT tipMoveRequested(step);
}
