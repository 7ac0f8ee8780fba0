// SPDX-License-Identifier: MIT
#include "clock.h"

#include <QTimer>

#include <chrono>
#include <thread>

SteadyClock::SteadyClock()
{
    m_clock.start();
}

qint64 SteadyClock::nowNs() const
{
    return m_clock.nsecsElapsed();
}

void SteadyClock::waitUntil(qint64 dueNs)
{
    // A sleep may end a little early on some systems: sleep again for the rest.
    for (qint64 early = dueNs - nowNs(); early > 0; early = dueNs - nowNs())
        std::this_thread::sleep_for(std::chrono::nanoseconds(early));
}

QtOneShotTimer::QtOneShotTimer(QTimer &timer) : m_timer(timer)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    m_timeout = QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
        if (m_tick)
            m_tick();
    });
}

QtOneShotTimer::~QtOneShotTimer()
{
    m_timer.stop();
    QObject::disconnect(m_timeout);
}

void QtOneShotTimer::setTick(std::function<void()> tick)
{
    m_tick = std::move(tick);
}

void QtOneShotTimer::start(int ms)
{
    m_timer.start(ms);
}

void QtOneShotTimer::stop()
{
    m_timer.stop();
}

bool QtOneShotTimer::isActive() const
{
    return m_timer.isActive();
}
