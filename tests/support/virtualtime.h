// SPDX-License-Identifier: MIT
#pragma once

#include "core/clock.h"

#include <functional>

// The clock and a timer in test time: nothing moves until the test says
// so, and then every tick fires exactly when it is due.
class VirtualTime final : public Clock, public OneShotTimer
{
public:
    static constexpr qint64 nsPerMs = 1'000'000;

    qint64 nowNs() const override { return m_now; }
    qint64 nowMs() const { return m_now / nsPerMs; }
    void waitUntil(qint64 dueNs) override { m_now = qMax(m_now, dueNs); }

    void setTick(std::function<void()> tick) override { m_tick = std::move(tick); }
    void start(int ms) override
    {
        m_due = m_now + ms * nsPerMs;
        m_active = true;
    }
    void stop() override { m_active = false; }
    bool isActive() const override { return m_active; }

    // Lets `ms` pass, firing each tick that falls due on the way; `afterTick`
    // runs after each one.
    void advance(qint64 ms, const std::function<void()> &afterTick = {})
    {
        const qint64 end = m_now + ms * nsPerMs;
        while (m_active && m_due <= end) {
            m_now = qMax(m_now, m_due);
            m_active = false;
            m_tick();
            if (afterTick)
                afterTick();
        }
        m_now = qMax(m_now, end);
    }
    // Lets `ms` pass with the program busy elsewhere: a tick due meanwhile
    // fires late, at the next advance().
    void stall(qint64 ms) { m_now += ms * nsPerMs; }

private:
    qint64 m_now = 0;
    qint64 m_due = 0;
    bool m_active = false;
    std::function<void()> m_tick;
};
