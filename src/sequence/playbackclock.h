// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <QMetaObject>

#include <functional>

class QTimer;

// The time playback runs on: a monotonic clock in nanoseconds, and the wait
// for a moment on it.
class PlaybackClock
{
public:
    virtual ~PlaybackClock() = default;
    virtual qint64 nowNs() const = 0;
    // Returns at `dueNs` or just after; at once when it has passed.
    virtual void waitUntil(qint64 dueNs) = 0;
};

// A single-shot timer in whole milliseconds: once started, calls the tick
// given to setTick() once, unless stopped or started again first.
class PlaybackTimer
{
public:
    virtual ~PlaybackTimer() = default;
    virtual void setTick(std::function<void()> tick) = 0;
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The machine's monotonic clock. The wait sleeps to the due time itself: the
// processor is free while it waits, and the system wakes the thread within a
// few tens of microseconds of it.
class SteadyPlaybackClock final : public PlaybackClock
{
public:
    SteadyPlaybackClock();
    qint64 nowNs() const override;
    void waitUntil(qint64 dueNs) override;

private:
    QElapsedTimer m_clock;
};

// Runs on a QTimer (Timer1, which outlives this object), made precise and
// single-shot.
class QtPlaybackTimer final : public PlaybackTimer
{
public:
    explicit QtPlaybackTimer(QTimer &timer);
    ~QtPlaybackTimer() override;
    void setTick(std::function<void()> tick) override;
    void start(int ms) override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer &m_timer;
    std::function<void()> m_tick;
    QMetaObject::Connection m_timeout;
};
