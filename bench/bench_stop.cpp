// SPDX-License-Identifier: MIT
// Stop on Esc: the time from the key to the last byte that reaches the far end
// of the line, while the main window plays a sequence on a QtSerialPort over a
// pseudo-terminal. The key is posted to the window's thread from a thread of
// its own at a random point, as the window system delivers a key press; the
// reference is a QTimer::singleShot(0) posted at the same instant: how long one
// turn of the event loop takes to pick up a posted event, there and then. A
// second reference is the pseudo-terminal's own delivery time, from a plain
// thread's write to the far end's read, on a second pty in the same run.

#include "benchutil.h"
#include "farend.h"

#include "link/qtserialport.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int stops = 20;
constexpr int periodMs = 20;
constexpr int lines = 200;                   // far more than any stop reaches
constexpr int firstDelayMs = 100;            // Run to the first line
constexpr int settleMs = 10 * periodMs;      // after the key: ten lines' time in which nothing may arrive
constexpr int basePulse = 1000;              // line n sends pulse basePulse + n
constexpr double lineBytesPerSecond = 11520; // 115200 baud, 8N1

using bench::FarEnd;
using bench::monotonicNs;
using bench::sleepUntil;

QByteArray command(int n)
{
    return QByteArrayLiteral("#1P") + QByteArray::number(basePulse + n) + "S300\r";
}

// A plain thread writes a command to a second pty every period, half a period
// out of step with playback; the far end notes when each arrives.
class DeliveryProbe
{
public:
    DeliveryProbe() : m_far(m_pty.masterFd())
    {
        m_fd = ::open(m_pty.devicePath().toLocal8Bit().constData(), O_WRONLY | O_NOCTTY);
        if (m_fd < 0)
            qFatal("cannot open %s", qPrintable(m_pty.devicePath()));
        m_thread = std::thread([this] {
            const QByteArray bytes = command(0);
            for (qint64 due = monotonicNs() + periodMs * 500'000LL; !m_stop; due += periodMs * 1'000'000LL) {
                sleepUntil(due);
                m_written.append(monotonicNs());
                if (::write(m_fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
                    qFatal("probe write failed");
            }
        });
    }
    ~DeliveryProbe()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_fd);
    }

    // Stops writing; write to far-end read, ms, for each write that arrived.
    QList<double> finish()
    {
        m_stop = true;
        m_thread.join();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const qsizetype size = command(0).size();
        QList<double> latency;
        qsizetype arrived = 0;
        qsizetype write = 0;
        for (const FarEnd::Read &read : m_far.take()) {
            arrived += read.bytes.size();
            for (; write < m_written.size() && (write + 1) * size <= arrived; ++write)
                latency.append(double(read.ns - m_written[write]) / 1e6);
        }
        return latency;
    }

private:
    PseudoTerminal m_pty;
    FarEnd m_far;
    int m_fd = -1;
    QList<qint64> m_written;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

struct Stop {
    qint64 postedNs = 0;         // the key and the reference were posted
    qint64 referenceNs = 0;      // the reference ran
    qint64 keyNs = 0;            // the key reached the window
    qint64 stoppedNs = 0;        // keyClick returned
    bool stopped = false;        // playback had stopped by then
    qint64 bytesHandedAtKey = 0; // bytes playback had handed to the port when the key arrived
};

struct Outcome {
    double keyToLastByteMs = 0;           // 0 when nothing arrived after the key was posted
    double keyToWireEndMs = 0;            // the same at 115200 baud, 0 when the line was idle by then
    double lastByteAfterKeyHandledMs = 0; // last byte minus the key reaching the window (negative: before)
    bool bytesAfterKey = false;
    qsizetype bytesAfter = 0;
};

Outcome evaluate(const Stop &stop, const QList<FarEnd::Read> &reads)
{
    Outcome outcome;
    qint64 wireEnd = 0;
    QByteArray all;
    for (const FarEnd::Read &read : reads) {
        // A line at 115200 baud carries the bytes one after another.
        wireEnd = qMax(wireEnd, read.ns) + qint64(double(read.bytes.size()) * 1e9 / lineBytesPerSecond);
        all += read.bytes;
        if (read.ns > stop.postedNs) {
            outcome.bytesAfterKey = true;
            outcome.bytesAfter += read.bytes.size();
            outcome.keyToLastByteMs = double(read.ns - stop.postedNs) / 1e6;
        }
    }
    if (!reads.isEmpty())
        outcome.lastByteAfterKeyHandledMs = double(reads.last().ns - stop.keyNs) / 1e6;
    outcome.keyToWireEndMs = qMax(0.0, double(wireEnd - stop.postedNs) / 1e6);

    // In order, whole, none twice.
    qsizetype last = -1;
    for (qsizetype start = 0, end; (end = all.indexOf('\r', start)) >= 0; start = end + 1) {
        const QByteArray got = all.mid(start, end - start);
        const qsizetype n = got.mid(got.indexOf('P') + 1, 4).toInt() - basePulse;
        if (n != last + 1)
            qFatal("line %lld arrived after line %lld: %s", qlonglong(n), qlonglong(last), got.constData());
        last = n;
    }
    if (!all.isEmpty() && !all.endsWith('\r'))
        qFatal("a line arrived cut short: %s", all.constData());
    return outcome;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QByteArray file;
    for (int n = 0; n < lines; ++n)
        file += "Time" + QByteArray::number(periodMs).leftJustified(5) + ' ' + command(n).chopped(1) + "\r\n";
    PseudoTerminal pty;
    WindowHarness::Options options;
    options.sequenceFile = file;
    auto port = std::make_unique<QtSerialPort>();
    const QtSerialPort &serial = *port;
    options.port = std::move(port);
    WindowHarness harness(std::move(options));
    MainWindow &window = harness.window();
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        qFatal("the main window did not become active");
    harness.connectTo(pty.portBoxText());
    if (!pty.isValid() || !window.portIsOpen())
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));
    auto *runAction = window.findChild<QAction *>(QStringLiteral("runAction"));
    auto *stopAction = window.findChild<QAction *>(QStringLiteral("stopAction"));
    if (!runAction || !stopAction)
        qFatal("the 播放 menu has no runAction or stopAction");

    FarEnd far(pty.masterFd());
    DeliveryProbe probe;
    QRandomGenerator random(11);
    QList<double> reference, keyWait, keyHandling, keyToLastByte, keyToWireEnd, lastByteAfterKeyHandled, handedAfter;
    int withBytesAfter = 0;
    qsizetype mostBytesAfter = 0;
    for (int i = 0; i < stops; ++i) {
        QCoreApplication::processEvents();
        far.take();
        Stop stop;
        QEventLoop loop;
        runAction->trigger();
        const qint64 started = monotonicNs();
        // Anywhere from the second line to the twentieth, at any phase of a period.
        const qint64 at =
            started + (firstDelayMs + periodMs) * 1'000'000LL + qint64(random.bounded(19 * periodMs * 1'000'000));
        std::thread input([&] {
            sleepUntil(at);
            stop.postedNs = monotonicNs();
            QTimer::singleShot(0, &window, [&] { stop.referenceNs = monotonicNs(); });
            QMetaObject::invokeMethod(
                &window,
                [&] {
                    stop.keyNs = monotonicNs();
                    stop.bytesHandedAtKey = serial.traffic().accepted;
                    QWidget *target = QApplication::activeWindow() ? QApplication::activeWindow() : &window;
                    QTest::keyClick(target, Qt::Key_Escape);
                    stop.stoppedNs = monotonicNs();
                    stop.stopped = !stopAction->isEnabled();
                    QTimer::singleShot(settleMs, &loop, &QEventLoop::quit);
                },
                Qt::QueuedConnection);
        });
        loop.exec();
        input.join();
        if (!stop.stopped)
            qFatal("stop %d: Esc did not stop playback", i + 1);
        handedAfter.append(double(serial.traffic().accepted - stop.bytesHandedAtKey));
        const Outcome outcome = evaluate(stop, far.take());
        reference.append(double(stop.referenceNs - stop.postedNs) / 1e3);
        keyWait.append(double(stop.keyNs - stop.postedNs) / 1e3);
        keyHandling.append(double(stop.stoppedNs - stop.keyNs) / 1e3);
        keyToLastByte.append(outcome.keyToLastByteMs);
        keyToWireEnd.append(outcome.keyToWireEndMs);
        lastByteAfterKeyHandled.append(outcome.lastByteAfterKeyHandledMs);
        withBytesAfter += outcome.bytesAfterKey ? 1 : 0;
        mostBytesAfter = qMax(mostBytesAfter, outcome.bytesAfter);
    }

    const QList<double> delivery = probe.finish();

    bench::heading(
        qPrintable(QStringLiteral("stop on Esc during playback, %1 ms a line (min / median / max of %2 stops)")
                       .arg(periodMs)
                       .arg(stops)));
    bench::note("MainWindow + QtSerialPort on a pty; Esc and the reference posted to the window's thread at the same "
                "random instant; the far end read on a real-time thread");
    bench::spread(QStringLiteral("reference: singleShot(0) posted -> run (one event-loop turn)"), reference, "us");
    bench::spread(QStringLiteral("Esc posted -> reaches the window"), keyWait, "us");
    bench::spread(QStringLiteral("Esc handled: keyClick until playback stopped"), keyHandling, "us");
    bench::spread(QStringLiteral("bytes handed to the port after the Esc reached the window"), handedAfter, "");
    bench::spread(QStringLiteral("Esc posted -> last byte at the far end (0: none after it)"), keyToLastByte, "ms");
    bench::spread(QStringLiteral("reference: pty delivery, plain thread's write -> far-end read (%1 writes)")
                      .arg(delivery.size()),
                  delivery, "ms");
    bench::spread(QStringLiteral("Esc posted -> last byte off a 115200 baud line (modelled)"), keyToWireEnd, "ms");
    bench::spread(QStringLiteral("last byte at the far end - Esc reaches the window (<0: before)"),
                  lastByteAfterKeyHandled, "ms");
    bench::figure(QStringLiteral("stops with bytes arriving after the Esc was posted (of %1)").arg(stops),
                  withBytesAfter, "");
    bench::figure(QStringLiteral("most bytes arriving after the Esc was posted, one stop"), double(mostBytesAfter),
                  "bytes");
    return 0;
}
