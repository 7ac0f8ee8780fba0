// SPDX-License-Identifier: MIT
// A slider move on the wire: MainWindow on a real QtSerialPort whose far end is
// a pseudo-terminal, read here in a tight loop; then the same against a far end
// that reads at the line's rate, as a board on a real 115200-baud line does.

#include "benchutil.h"
#include "farend.h"

#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int channel = 0;
constexpr int commandBytes = 12;                           // "#0P1500S300\r"
constexpr double lineLimit = 115200.0 / 10 / commandBytes; // 8N1: ten bits a byte
constexpr int lineRate = 11'520;                           // bytes/s at 115200 baud, 8N1
// Changes come no faster than the line takes a command, half as much again:
// a faster stream is held back by the port's pacing, which is not latency.
constexpr auto changeSpacing = std::chrono::microseconds(commandBytes * 1'500'000 / lineRate);

QByteArray command(int pulse)
{
    return QStringLiteral("#%1P%2S300\r").arg(channel).arg(pulse).toLatin1();
}

struct Latencies {
    QList<double> handler, arrival; // us
};

using bench::FarEnd;
using bench::monotonicNs;

// `send(pulse)` changes the value, or writes the command itself; the time to
// its return and to the whole command at the far end.
template <typename Send>
Latencies latencies(PseudoTerminal &pty, int changes, Send send)
{
    Latencies result;
    // The far end is read on a thread of its own: the window's thread goes on
    // with what the change does after its write, as it does for the operator.
    FarEnd far(pty.masterFd());
    for (int change = -50; change < changes; ++change) { // the first 50 warm up
        const int pulse = 1501 - (change & 1);
        const auto next = std::chrono::steady_clock::now() + changeSpacing;
        const qint64 sentNs = monotonicNs();
        send(pulse);
        const qint64 returnedNs = monotonicNs();
        QByteArray bytes;
        qint64 arrivedNs = 0;
        while (!bytes.endsWith('\r') && monotonicNs() - sentNs < 1'000'000'000) {
            for (const FarEnd::Read &read : far.take()) {
                bytes += read.bytes;
                arrivedNs = read.ns;
            }
            std::this_thread::yield();
        }
        if (bytes != command(pulse))
            qFatal("unexpected bytes at the far end: %s", bytes.constData());
        if (change >= 0) {
            result.handler.append(double(returnedNs - sentNs) / 1e3);
            result.arrival.append(double(arrivedNs - sentNs) / 1e3);
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_until(next);
    }
    return result;
}

// The slider against the reference, a plain write() of the same command to a
// second pty, run after run in the same process, each at the line's pace.
void latency(PseudoTerminal &pty, QScrollBar &slider, int changes)
{
    PseudoTerminal referencePty;
    const int fd = ::open(referencePty.devicePath().toLocal8Bit().constData(), O_WRONLY | O_NOCTTY);
    if (fd < 0)
        qFatal("cannot open %s", qPrintable(referencePty.devicePath()));
    QList<double> handler, median, p99, worst, cMedian, cP99;
    for (int run = 0; run < 3; ++run) {
        const Latencies played = latencies(pty, changes, [&](int pulse) { slider.setValue(pulse); });
        const Latencies reference = latencies(referencePty, changes, [&](int pulse) {
            const QByteArray bytes = command(pulse);
            if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
                qFatal("reference write failed");
        });
        handler.append(bench::median(played.handler));
        median.append(bench::median(played.arrival));
        p99.append(bench::percentile(played.arrival, 99));
        worst.append(bench::percentile(played.arrival, 100));
        cMedian.append(bench::median(reference.arrival));
        cP99.append(bench::percentile(reference.arrival, 99));
    }
    ::close(fd);
    bench::note(qPrintable(QStringLiteral("%1 changes a run; min / median / max of 3 runs").arg(changes)));
    bench::spread(QStringLiteral("setValue to handler returned, median"), handler, "us");
    bench::spread(QStringLiteral("setValue to bytes at far end, median"), median, "us");
    bench::spread(QStringLiteral("reference write() to bytes at far end, median"), cMedian, "us");
    bench::spread(QStringLiteral("setValue to bytes at far end, 99th percentile"), p99, "us");
    bench::spread(QStringLiteral("reference write() to bytes at far end, 99th percentile"), cP99, "us");
    bench::spread(QStringLiteral("setValue to bytes at far end, worst"), worst, "us");
}

// A drag as fast as the event loop turns: one value change per turn for a second.
void throughput(PseudoTerminal &pty, QScrollBar &slider)
{
    pty.clearReceived();
    qsizetype scanned = 0;
    qint64 sent = 0, arrived = 0;
    const auto count = [&] {
        const QByteArray far = pty.received();
        arrived += std::count(far.cbegin() + scanned, far.cend(), '\r');
        scanned = far.size();
    };
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000) {
        slider.setValue(1501 - (sent++ & 1));
        QCoreApplication::processEvents();
        count();
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const qint64 inWindow = arrived;
    QElapsedTimer drain;
    drain.start();
    while (arrived < sent && drain.elapsed() < 500) {
        QCoreApplication::processEvents();
        count();
    }
    bench::figure(QStringLiteral("drag: commands written per second"), double(sent) / seconds, "cmd/s");
    bench::figure(QStringLiteral("drag: complete commands at far end per second"), double(inWindow) / seconds, "cmd/s");
    bench::figure(QStringLiteral("drag: bytes at far end per second"), double(inWindow) * commandBytes / seconds,
                  "B/s");
    bench::figure(QStringLiteral("drag: commands lost (written, never arrived)"), double(sent - arrived), "cmd");
    bench::figure(QStringLiteral("line limit at 115200 baud, 8N1, 12-byte command"), lineLimit, "cmd/s");
    bench::figure(QStringLiteral("pty rate / line limit"), double(inWindow) / seconds / lineLimit, "x");
    bench::note("a pty does not pace at the baud rate: on a real line a faster drag queues in the driver");
}

constexpr int runs = 5;

qsizetype commandsIn(const QByteArray &bytes)
{
    return std::count(bytes.cbegin(), bytes.cend(), '\r');
}

// What one paced run measured.
struct PacedRun {
    double delivered = 0; // complete commands at the far end per second
    double offered = 0;   // commands the window tried to send per second
    double largestQueue = 0;
    double worstStall = 0; // longest turn of the event loop while the queue was full, ms
    double idleStall = 0;  // the same with nothing sent, just before: the reference
    double farEndRate = 0; // bytes/s the far end actually took: the reference
    double notices = 0;
};

void report(const char *what, const QList<PacedRun> &results, double limit)
{
    const auto show = [&](const QString &label, auto field, const char *unit) {
        QList<double> values;
        for (const PacedRun &run : results)
            values.append(run.*field);
        std::sort(values.begin(), values.end());
        bench::figure(QStringLiteral("%1: %2, min").arg(QLatin1StringView(what), label), values.first(), unit);
        bench::figure(QStringLiteral("%1: %2, median").arg(QLatin1StringView(what), label), bench::median(values),
                      unit);
        bench::figure(QStringLiteral("%1: %2, max").arg(QLatin1StringView(what), label), values.last(), unit);
    };
    show(QStringLiteral("commands offered per second"), &PacedRun::offered, "cmd/s");
    show(QStringLiteral("commands delivered per second"), &PacedRun::delivered, "cmd/s");
    bench::figure(QStringLiteral("%1: line limit").arg(QLatin1StringView(what)), limit, "cmd/s");
    show(QStringLiteral("far end's rate (reference)"), &PacedRun::farEndRate, "B/s");
    show(QStringLiteral("largest queue"), &PacedRun::largestQueue, "B");
    show(QStringLiteral("worst event-loop turn, queue full"), &PacedRun::worstStall, "ms");
    show(QStringLiteral("worst event-loop turn, idle (reference)"), &PacedRun::idleStall, "ms");
    show(QStringLiteral("refusal notices"), &PacedRun::notices, "");
}

// Lets the queue and the far end empty between runs.
void drain(PseudoTerminal &pty, const QtSerialPort &port)
{
    QElapsedTimer clock;
    clock.start();
    qsizetype seen = -1;
    while (clock.elapsed() < 10'000) {
        QEventLoop pause;
        QTimer::singleShot(200, &pause, &QEventLoop::quit);
        pause.exec();
        const qsizetype now = pty.received().size();
        if (port.queuedBytes() == 0 && now == seen)
            break;
        seen = now;
    }
    pty.clearReceived();
}

// The longest turn of an event loop that has nothing to do, over three
// seconds: what the machine itself costs (other processes, the reader thread).
double idleWorstTurn()
{
    double worst = 0;
    QElapsedTimer clock, turnClock;
    clock.start();
    while (clock.elapsed() < 3000) {
        turnClock.start();
        QCoreApplication::processEvents();
        worst = std::max(worst, double(turnClock.nsecsElapsed()) / 1e6);
    }
    return worst;
}

// Runs `turn` (one event-loop turn of work) until `done`, measuring the run.
template <typename Turn, typename Done>
PacedRun pacedRun(WindowHarness &harness, PseudoTerminal &pty, const QtSerialPort &port, int bytesPerCommand, Turn turn,
                  Done done)
{
    drain(pty, port);
    harness.notifier.shown.clear();
    PacedRun run;
    run.idleStall = idleWorstTurn();
    qint64 offered = 0;
    QElapsedTimer clock, turnClock;
    clock.start();
    while (!done(clock)) {
        turnClock.start();
        offered += turn();
        QCoreApplication::processEvents();
        const double turnMs = double(turnClock.nsecsElapsed()) / 1e6;
        const qint64 queued = port.queuedBytes();
        run.largestQueue = std::max(run.largestQueue, double(queued));
        if (queued > port.queueLimit() - bytesPerCommand)
            run.worstStall = std::max(run.worstStall, turnMs);
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const QByteArray far = pty.received();
    run.delivered = double(commandsIn(far)) / seconds;
    run.offered = double(offered) / seconds;
    run.farEndRate = double(far.size()) / seconds;
    run.notices = double(harness.notifier.shown.size());
    return run;
}

// A drag as fast as the event loop turns, for three seconds.
void pacedDrag(WindowHarness &harness, PseudoTerminal &pty, const QtSerialPort &port)
{
    QScrollBar &slider = harness.slider(channel);
    QList<PacedRun> results;
    for (int r = 0; r < runs; ++r) {
        int step = 0;
        results.append(pacedRun(
            harness, pty, port, commandBytes,
            [&] {
                slider.setValue(1501 - (step++ & 1));
                return 1;
            },
            [](const QElapsedTimer &clock) { return clock.elapsed() >= 3000; }));
    }
    report("drag", results, lineLimit);
}

// Playback of 32-channel lines 20 ms apart: 500 lines, ten seconds, three runs.
void pacedPlayback(WindowHarness &harness, PseudoTerminal &pty, const QtSerialPort &port)
{
    constexpr int lines = 500;
    QString text;
    int bytes = 0;
    for (int n = 0; n < lines; ++n) {
        QString groups;
        for (int k = 0; k < 32; ++k)
            groups += QStringLiteral("#%1P%2S300").arg(k).arg(1000 + n);
        text += QStringLiteral("Time20    ") + groups + u'\r';
        bytes = int(groups.size()) + 1;
    }
    QList<PacedRun> results;
    for (int r = 0; r < 3; ++r) {
        harness.editor().setText(text);
        bool started = false;
        const Message ok{Message::Icon::None, {}, QStringLiteral("ok")};
        PacedRun run = pacedRun(
            harness, pty, port, bytes,
            [&] {
                if (started)
                    return 0;
                started = true;
                harness.button("RunCommand").click();
                return lines;
            },
            [&](const QElapsedTimer &) { return harness.notifier.shown.contains(ok); });
        run.notices -= 1; // the "ok" at the end
        results.append(run);
    }
    report("playback, 20 ms lines", results, double(lineRate) / bytes);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PseudoTerminal pty;
    WindowHarness::Options options;
    options.port = std::make_unique<QtSerialPort>();
    const QtSerialPort *port = static_cast<QtSerialPort *>(options.port.get());
    WindowHarness harness(std::move(options));
    // Shown, as the operator has it: repaints and the status line take their share.
    harness.window().show();
    harness.connectTo(pty.portBoxText());
    harness.checkBox(channel).setChecked(true);
    if (!pty.isValid() || !harness.window().portIsOpen() || !harness.slider(channel).isEnabled())
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));

    bench::heading("slider to wire (QtSerialPort on a pty)");
    latency(pty, harness.slider(channel), 1000);
    throughput(pty, harness.slider(channel));

    bench::heading("against a far end reading at 115200 baud, 8N1 (11,520 B/s)");
    pty.startReader(lineRate);
    pacedDrag(harness, pty, *port);
    pacedPlayback(harness, pty, *port);
    bench::note("delivered: complete commands at the far end; a queue full is 2 s of the line");
    return 0;
}
