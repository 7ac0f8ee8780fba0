// SPDX-License-Identifier: MIT
#pragma once

// The far end of a pseudo-terminal as the benchmarks read it: on a real-time
// thread of its own, as a board would, every read stamped on the monotonic
// clock. POSIX, as the benchmarks on a pseudo-terminal are.

#include <QByteArray>
#include <QList>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <thread>
#include <utility>

#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

namespace bench {

inline qint64 monotonicNs(clockid_t clock = CLOCK_MONOTONIC)
{
    timespec now{};
    ::clock_gettime(clock, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

inline void sleepUntil(qint64 ns)
{
    const timespec at{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
    while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) { }
}

class FarEnd
{
public:
    struct Read {
        qint64 ns;
        QByteArray bytes;
    };

    explicit FarEnd(int fd) : m_fd(fd)
    {
        m_thread = std::thread([this] { read(); });
    }
    ~FarEnd()
    {
        m_stop = true;
        m_thread.join();
    }
    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

    // The reads since the last call, oldest first.
    QList<Read> take()
    {
        const std::lock_guard lock(m_lock);
        return std::exchange(m_reads, {});
    }

private:
    void read()
    {
        // Real-time, so that a read is seen when the bytes are there even while
        // the writer's thread or build jobs hold the other core (needs the
        // right to do so).
        const sched_param realTime{10};
        ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime);
        pollfd readable{m_fd, POLLIN, 0};
        char buffer[4096];
        while (!m_stop) {
            if (::poll(&readable, 1, 20) <= 0)
                continue;
            const qint64 now = monotonicNs();
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                continue;
            const std::lock_guard lock(m_lock);
            m_reads.append({now, QByteArray(buffer, n)});
        }
    }

    int m_fd;
    std::mutex m_lock;
    QList<Read> m_reads;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

} // namespace bench
