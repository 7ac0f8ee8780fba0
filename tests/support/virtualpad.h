// SPDX-License-Identifier: MIT
#pragma once

// SDL's virtual game controllers standing in for pads, in the tests and the
// benchmarks: no hardware. Whoever includes this links SDL2.

#include "input/padsettings.h"

// The program has its own main(); SDL must not take it over.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QByteArrayList>
#include <QStringList>

#include <cmath>

namespace virtualpad {

// Made-up ids: SDL is told to see no other pad, whatever the machine has.
// Each name a test gives a pad is a product of its own.
inline constexpr Uint16 vendor = 0xf00d;
inline const QByteArrayList products = {"puppet", "first", "second"};

inline Uint16 productId(const QByteArray &name)
{
    const qsizetype product = products.indexOf(name);
    if (product < 0)
        qFatal("no product id for a pad named %s", name.constData());
    return Uint16(0xbee0 + product);
}

// Before anything starts SDL: SDL runs as in a CI (no display, no pad but the
// test's own), and its game controllers stay up until stopSdl(), so a pad can
// be plugged in before a Gamepad starts. (Only the controllers' own start and
// end undo each other: kept joysticks alone would gather one more controller
// event watcher with each Gamepad started.) False when SDL does not start.
inline bool startSdl()
{
    qunsetenv("DISPLAY");
    qunsetenv("WAYLAND_DISPLAY");
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_JOYSTICK_HIDAPI, "0");
    QStringList ids;
    for (const QByteArray &name : products)
        ids.append(QStringLiteral("0x%1/0x%2").arg(vendor, 4, 16).arg(productId(name), 4, 16));
    SDL_SetHint(SDL_HINT_GAMECONTROLLER_IGNORE_DEVICES_EXCEPT, qPrintable(ids.join(u',')));
    return SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

inline void stopSdl()
{
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

} // namespace virtualpad

// A standard game controller with every axis and button, made up by SDL,
// which the test tilts and presses.
class VirtualPad
{
public:
    explicit VirtualPad(const QByteArray &name) : m_name(name)
    {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
        desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
        desc.vendor_id = virtualpad::vendor;
        desc.product_id = virtualpad::productId(m_name);
        desc.name = m_name.constData();
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        if (index < 0)
            qFatal("no virtual pad: %s", SDL_GetError());
        m_joystick = SDL_JoystickOpen(index);
        if (!m_joystick)
            qFatal("the virtual pad does not open: %s", SDL_GetError());
        tilt(pad::Axis::LeftTrigger, 0);
        tilt(pad::Axis::RightTrigger, 0);
    }
    ~VirtualPad() { unplug(); }
    VirtualPad(const VirtualPad &) = delete;
    VirtualPad &operator=(const VirtualPad &) = delete;

    const QByteArray &name() const { return m_name; }

    // A stick's share of full tilt (-1..1, right and down positive), a
    // trigger's share of its pull (0..1), by the names the settings use.
    void tilt(pad::Axis axis, double share)
    {
        const SDL_GameControllerAxis sdl = SDL_GameControllerGetAxisFromString(qPrintable(pad::axisName(axis)));
        if (sdl == SDL_CONTROLLER_AXIS_INVALID)
            qFatal("SDL does not know the axis %s", qPrintable(pad::axisName(axis)));
        // A trigger's mapping takes the axis's whole range for its pull.
        const bool trigger = sdl == SDL_CONTROLLER_AXIS_TRIGGERLEFT || sdl == SDL_CONTROLLER_AXIS_TRIGGERRIGHT;
        const double raw = trigger ? SDL_JOYSTICK_AXIS_MIN + share * (SDL_JOYSTICK_AXIS_MAX - SDL_JOYSTICK_AXIS_MIN)
                                   : share * SDL_JOYSTICK_AXIS_MAX;
        SDL_JoystickSetVirtualAxis(m_joystick, sdl, Sint16(std::lround(raw)));
    }
    void setButton(pad::Button button, bool down)
    {
        const SDL_GameControllerButton sdl = SDL_GameControllerGetButtonFromString(qPrintable(pad::buttonName(button)));
        if (sdl == SDL_CONTROLLER_BUTTON_INVALID)
            qFatal("SDL does not know the button %s", qPrintable(pad::buttonName(button)));
        SDL_JoystickSetVirtualButton(m_joystick, sdl, down ? 1 : 0);
    }
    void unplug()
    {
        if (!m_joystick)
            return;
        const SDL_JoystickID id = SDL_JoystickInstanceID(m_joystick);
        SDL_JoystickClose(m_joystick);
        m_joystick = nullptr;
        for (int index = 0; index < SDL_NumJoysticks(); ++index) {
            if (SDL_JoystickGetDeviceInstanceID(index) == id) {
                SDL_JoystickDetachVirtual(index);
                return;
            }
        }
        qFatal("the virtual pad %s is gone before it was pulled out", m_name.constData());
    }

private:
    QByteArray m_name;
    SDL_Joystick *m_joystick = nullptr;
};
