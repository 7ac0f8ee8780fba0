// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QMetaObject>

#include <functional>

class QTimer;

// The program's one time: a monotonic clock in nanoseconds, and the wait for a
// moment on it. Playback's due times, the stamps of what leaves for the port,
// the arm's twin and its frames all read the same clock, so tests can run all
// of it in virtual time.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 nowNs() const = 0;
    qint64 nowUs() const { return nowNs() / 1000; }
    // Returns at `dueNs` or just after; at once when it has passed.
    virtual void waitUntil(qint64 dueNs) = 0;
};

// A single-shot timer in whole milliseconds: once started, calls the tick
// given to setTick() once, unless stopped or started again first.
class OneShotTimer
{
public:
    virtual ~OneShotTimer() = default;
    virtual void setTick(std::function<void()> tick) = 0;
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The machine's monotonic clock. The wait sleeps to the due time itself: the
// processor is free while it waits, and the system wakes the thread within a
// few tens of microseconds of it.
class SteadyClock final : public Clock
{
public:
    SteadyClock();
    qint64 nowNs() const override;
    void waitUntil(qint64 dueNs) override;

private:
    QElapsedTimer m_clock;
};

// Runs on a QTimer (which outlives this object), made precise and single-shot.
class QtOneShotTimer final : public OneShotTimer
{
public:
    explicit QtOneShotTimer(QTimer &timer);
    ~QtOneShotTimer() override;
    void setTick(std::function<void()> tick) override;
    void start(int ms) override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer &m_timer;
    std::function<void()> m_tick;
    QMetaObject::Connection m_timeout;
};
