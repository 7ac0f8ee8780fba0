// SPDX-License-Identifier: MIT
// Playback timing on the wire, against a plain clock_nanosleep(TIMER_ABSTIME)
// loop writing to a second pseudo-terminal at the same time; the same with two
// busy processes loading the machine; the processor time playback takes per
// line; and the cost of one tick far down a long sequence.

#include "benchutil.h"
#include "farend.h"

#include "link/qtserialport.h"
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int runs = 3;
constexpr int firstDelayMs = 100; // Run to the first line
constexpr int basePulse = 1000;   // line n sends pulse basePulse + n

using bench::monotonicNs;

QByteArray command(int n)
{
    return QByteArrayLiteral("#1P") + QByteArray::number(basePulse + n) + "S300\r";
}

// When each line's command arrived at a far end read on a thread of its own;
// its pulse tells which line it was.
class Arrivals
{
public:
    Arrivals(PseudoTerminal &pty, int lines) : m_far(pty.masterFd()), m_arrival(lines, -1) { }
    bool complete()
    {
        collect();
        return m_arrived == m_arrival.size();
    }
    // On the monotonic clock, ns; -1 for a line not seen.
    const QList<qint64> &arrival() const { return m_arrival; }

private:
    void collect()
    {
        for (const bench::FarEnd::Read &read : m_far.take()) {
            m_pending += read.bytes;
            for (qsizetype end; (end = m_pending.indexOf('\r')) >= 0; m_pending.remove(0, end + 1)) {
                const QByteArray got = m_pending.first(end);
                const qsizetype n = got.mid(got.indexOf('P') + 1, 4).toInt() - basePulse;
                if (n < 0 || n >= m_arrival.size() || m_arrival[n] >= 0)
                    qFatal("unexpected command at the far end: %s", got.constData());
                m_arrival[n] = read.ns;
                ++m_arrived;
            }
        }
    }

    bench::FarEnd m_far;
    QByteArray m_pending;
    QList<qint64> m_arrival;
    qsizetype m_arrived = 0;
};

struct Departures {
    QList<double> errorMs;    // arrival minus due time on the fixed schedule, per line
    QList<double> ownErrorMs; // the same against playback's own schedule, restarted after stalls
    int restarts = 0;         // stalls after which playback started counting afresh
    double cpuPerLineUs = 0;  // processor time of the sending thread
    QList<double> timerMs;    // Timer1 events against due time (playback only)
};

// A reference writer in a process of its own on a second pty: the small C
// program that sleeps to each due time with clock_nanosleep(TIMER_ABSTIME), or
// the Python script that sleeps the interval after each write. Each prints its
// processor time when done.
class ReferenceWriter
{
public:
    ReferenceWriter(QString program, QStringList arguments, int lines)
        : m_far(m_pty, lines), m_program(std::move(program)), m_arguments(std::move(arguments)), m_lines(lines)
    { }
    void start(qint64 firstDueNs, int periodMs)
    {
        m_firstDueNs = firstDueNs;
        m_periodMs = periodMs;
        m_process.start(m_program,
                        m_arguments
                            + QStringList{m_pty.devicePath(), QString::number(firstDueNs), QString::number(periodMs),
                                          QString::number(m_lines), QString::number(basePulse)});
        if (!m_process.waitForStarted())
            qFatal("cannot start %s", qPrintable(m_program));
    }
    Departures finish()
    {
        if (m_process.state() != QProcess::NotRunning)
            m_process.waitForFinished(60000);
        if (m_process.state() != QProcess::NotRunning || m_process.exitStatus() != QProcess::NormalExit
            || m_process.exitCode() != 0)
            qFatal("%s failed: %s", qPrintable(m_program), m_process.readAllStandardError().constData());
        const qint64 deadline = monotonicNs() + 5'000'000'000;
        while (!m_far.complete() && monotonicNs() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!m_far.complete())
            qFatal("not every line of %s arrived", qPrintable(m_program));
        Departures result;
        for (int n = 0; n < m_lines; ++n) {
            const qint64 due = m_firstDueNs + qint64(n) * m_periodMs * 1'000'000;
            result.errorMs.append(double(m_far.arrival()[n] - due) / 1e6);
        }
        result.ownErrorMs = result.errorMs;
        result.cpuPerLineUs = m_process.readAllStandardOutput().trimmed().toDouble() / m_lines / 1e3;
        return result;
    }

private:
    PseudoTerminal m_pty;
    Arrivals m_far;
    QString m_program;
    QStringList m_arguments;
    int m_lines;
    qint64 m_firstDueNs = 0;
    int m_periodMs = 0;
    QProcess m_process;
};

bool pythonSerialAvailable()
{
    QProcess probe;
    probe.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral("import serial")});
    return probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

bool withPython = false;

struct Run {
    Departures played, c, python;
};

// Notes when each timer event reaches the object watched.
class TimerWatch final : public QObject
{
public:
    QList<qint64> fired;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            fired.append(monotonicNs());
        return false;
    }
};

// Runs the main window's playback of `lines` lines of `periodMs` to a pty, and
// the reference loop at the same time, half a period apart so that the two do
// not wake at the same instant.
// What is open beside the main window while it plays.
enum class Views {
    MainWindow,
    Workspace,          // the pose table, the timeline and the arm's twin follow playback
    WorkspaceArmMoving, // the same, each line also swinging the shoulder, so the twin is drawn at the screen's rate
};

Run departures(int lines, int periodMs, Views views)
{
    QByteArray file;
    for (int n = 0; n < lines; ++n) {
        // The shoulder (channel 6) swings 600 us at 3000 us/s: always on its way.
        const QByteArray shoulder =
            views == Views::WorkspaceArmMoving ? "#6P" + QByteArray::number(n % 2 ? 1200 : 1800) + "S3000" : "";
        file +=
            "Time" + QByteArray::number(periodMs).leftJustified(5) + ' ' + command(n).chopped(1) + shoulder + "\r\n";
    }

    PseudoTerminal pty;
    WindowHarness::Options options;
    options.sequenceFile = file;
    options.port = std::make_unique<QtSerialPort>();
    WindowHarness harness(std::move(options));
    harness.window().show();
    if (views != Views::MainWindow) {
        harness.window().findChild<QAction *>(QStringLiteral("workspaceAction"))->trigger();
        QTest::qWait(500);
    }
    harness.connectTo(pty.portBoxText());
    if (!pty.isValid() || !harness.window().portIsOpen())
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));
    pty.clearReceived();
    QCoreApplication::processEvents();

    Arrivals far(pty, lines);
    TimerWatch timer;
    harness.window().findChild<QTimer *>(QStringLiteral("Timer1"))->installEventFilter(&timer);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (far.complete())
            loop.quit();
    });
    poll.start(50);
    QTimer::singleShot(firstDelayMs + lines * periodMs + 5000, &loop, &QEventLoop::quit);

    // The references start a third and two thirds of a period after playback's
    // lines, so that no two writers wake at the same instant.
    ReferenceWriter c(QStringLiteral(REFERENCE_WRITER_PATH), {}, lines);
    std::optional<ReferenceWriter> python;
    if (withPython)
        python.emplace(QStringLiteral("python3"), QStringList{QStringLiteral(REFERENCE_SCRIPT_PATH)}, lines);
    const qint64 cpuStart = monotonicNs(CLOCK_THREAD_CPUTIME_ID);
    const qint64 clicked = monotonicNs();
    harness.button("RunCommand").click();
    c.start(clicked + (firstDelayMs * 1'000'000LL + periodMs * 1'000'000LL / 3), periodMs);
    if (python)
        python->start(clicked + (firstDelayMs * 1'000'000LL + periodMs * 2'000'000LL / 3), periodMs);
    loop.exec();
    const qint64 cpuNs = monotonicNs(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    if (!far.complete())
        qFatal("not every line arrived at the far end");

    // Playback's own schedule: a line is due the period after the line before
    // was due, unless the tick that sent the line before ended after that (a
    // stall): then it is due at once. The start of that tick (its Timer1 event,
    // seen on the window's thread) stands for its end.
    if (timer.fired.size() < lines)
        qFatal("Timer1 fired %lld times for %d lines", qlonglong(timer.fired.size()), lines);
    Departures played;
    qint64 ownDue = clicked + firstDelayMs * 1'000'000LL;
    for (int n = 0; n < lines; ++n) {
        const qint64 due = clicked + (firstDelayMs + qint64(n) * periodMs) * 1'000'000;
        if (n > 0) {
            ownDue += periodMs * 1'000'000LL;
            if (ownDue < timer.fired[n - 1]) {
                ownDue = timer.fired[n - 1];
                ++played.restarts;
            }
        }
        played.errorMs.append(double(far.arrival()[n] - due) / 1e6);
        played.ownErrorMs.append(double(far.arrival()[n] - ownDue) / 1e6);
        played.timerMs.append(double(timer.fired[n] - ownDue) / 1e6);
    }
    played.cpuPerLineUs = double(cpuNs) / lines / 1e3;
    return {played, c.finish(), python ? python->finish() : Departures{}};
}

// Last tenth's median error minus the first tenth's: how far departures wander
// over the run.
double drift(const QList<double> &error)
{
    const qsizetype tenth = qMax<qsizetype>(1, error.size() / 10);
    return bench::median(error.mid(error.size() - tenth)) - bench::median(error.first(tenth));
}

struct Statistics {
    QList<double> first, median, p99, worst, drift, ownMedian, ownP99, ownWorst, restarts, cpu;
    void add(const Departures &d)
    {
        if (d.errorMs.isEmpty())
            return;
        first.append(d.errorMs.first());
        median.append(bench::median(d.errorMs));
        p99.append(bench::percentile(d.errorMs, 99));
        worst.append(bench::percentile(d.errorMs, 100));
        drift.append(::drift(d.errorMs));
        ownMedian.append(bench::median(d.ownErrorMs));
        ownP99.append(bench::percentile(d.ownErrorMs, 99));
        ownWorst.append(bench::percentile(d.ownErrorMs, 100));
        restarts.append(d.restarts);
        cpu.append(d.cpuPerLineUs);
    }
};

QList<double> ratios(const QList<double> &a, const QList<double> &b)
{
    QList<double> r;
    for (qsizetype i = 0; i < a.size(); ++i)
        r.append(a[i] / b[i]);
    return r;
}

void report(int lines, int periodMs, const char *load, Views views = Views::MainWindow)
{
    bench::heading(
        qPrintable(QStringLiteral("playback departure, %1 lines of %2 ms, %3 (min / median / max of %4 runs)")
                       .arg(lines)
                       .arg(periodMs)
                       .arg(QString::fromLatin1(load))
                       .arg(runs)));
    Statistics played, reference, python;
    QList<double> timerEarly;
    for (int run = 0; run < runs; ++run) {
        const Run r = departures(lines, periodMs, views);
        played.add(r.played);
        reference.add(r.c);
        python.add(r.python);
        timerEarly.append(bench::median(r.played.timerMs));
    }
    bench::spread(QStringLiteral("playback: line 1 late (after Run + 100 ms)"), played.first, "ms");
    bench::spread(QStringLiteral("reference C writer: line 1 late"), reference.first, "ms");
    bench::spread(QStringLiteral("playback: stalls longer than a period (schedule restarted)"), played.restarts, "");
    bench::note("against playback's own schedule (restarted after each stall, as it must be):");
    bench::spread(QStringLiteral("playback: departure error, median"), played.ownMedian, "ms");
    bench::spread(QStringLiteral("reference clock_nanosleep loop: median"), reference.median, "ms");
    bench::spread(QStringLiteral("ratio playback / reference, median"), ratios(played.ownMedian, reference.median),
                  "x");
    bench::spread(QStringLiteral("playback: departure error, 99th percentile"), played.ownP99, "ms");
    bench::spread(QStringLiteral("reference: 99th percentile"), reference.p99, "ms");
    bench::spread(QStringLiteral("ratio playback / reference, 99th percentile"), ratios(played.ownP99, reference.p99),
                  "x");
    bench::spread(QStringLiteral("playback: worst"), played.ownWorst, "ms");
    bench::spread(QStringLiteral("reference: worst"), reference.worst, "ms");
    bench::spread(QStringLiteral("Timer1 event against due time, median (negative: early)"), timerEarly, "ms");
    bench::note("against the fixed schedule (Run + 100 ms + n periods):");
    bench::spread(QStringLiteral("playback: departure error, median"), played.median, "ms");
    bench::spread(QStringLiteral("playback: departure error, 99th percentile"), played.p99, "ms");
    bench::spread(QStringLiteral("playback: worst"), played.worst, "ms");
    bench::spread(QStringLiteral("playback: drift (last tenth's median - first tenth's)"), played.drift, "ms");
    bench::spread(QStringLiteral("reference: drift"), reference.drift, "ms");
    bench::spread(QStringLiteral("playback: processor time of the window's thread per line"), played.cpu, "us");
    bench::spread(QStringLiteral("reference: processor time per line"), reference.cpu, "us");
    if (python.median.isEmpty()) {
        bench::note("no Python reference: python3 has no serial module here");
        return;
    }
    bench::spread(QStringLiteral("reference Python script: line 1 late"), python.first, "ms");
    bench::spread(QStringLiteral("reference Python script: departure error, median"), python.median, "ms");
    bench::spread(QStringLiteral("reference Python script: 99th percentile"), python.p99, "ms");
    bench::spread(QStringLiteral("reference Python script: drift"), python.drift, "ms");
}

// Two processes that keep a processor each busy while they live.
class BusyProcesses
{
public:
    BusyProcesses()
    {
        for (pid_t &pid : m_pids) {
            pid = ::fork();
            if (pid == 0) {
                volatile unsigned spin = 0;
                for (;;)
                    spin = spin + 1;
            }
        }
    }
    ~BusyProcesses()
    {
        for (const pid_t pid : m_pids) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

private:
    pid_t m_pids[2] = {};
};

// One tick's editor work: read the line, mark it. Consecutive lines from `first`,
// with the repaint between ticks left out of the time.
double tickCost(SequenceEditor &editor, qsizetype first, int samples)
{
    QList<double> costs;
    for (int sample = 0; sample < samples; ++sample) {
        QCoreApplication::processEvents();
        const qsizetype line = first + sample % 100;
        costs.append(bench::timeOnce([&] {
            const std::optional<QString> text = editorlines::lineWithBreak(editor, line);
            editor.setSelectionStart(editor.lineStart(line));
            editor.setSelectionLength(text->size());
            editor.setSelectionColor(Qt::black);
        }));
    }
    return bench::median(costs);
}

void ticks()
{
    constexpr int longSequence = 100200;
    SequenceEditor editor;
    editor.resize(650, 130);
    editor.setText(bench::sequenceText(longSequence));
    editor.show();
    QCoreApplication::processEvents();
    tickCost(editor, 10, 200); // warm-up
    const double nearStart = tickCost(editor, 10, 2000);
    const double farDown = tickCost(editor, 100000, 2000);
    bench::heading("playback tick cost against position");
    bench::figure(QStringLiteral("one tick (line text + mark) at line ~10 of %1, median").arg(longSequence),
                  nearStart / 1e3, "us");
    bench::figure(QStringLiteral("one tick (line text + mark) at line ~100,000, median"), farDown / 1e3, "us");
    bench::figure(QStringLiteral("tick cost ratio line 100,000 / line 10"), farDown / nearStart, "x");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    withPython = pythonSerialAvailable();
    bench::note("MainWindow + QtSerialPort on a pty against a C writer with clock_nanosleep(TIMER_ABSTIME) and a "
                "Python script, each on a pty of its own, all running at once; error = arrival at the far end "
                "minus due time");
    report(200, 100, "quiet");
    report(500, 20, "quiet");
    report(200, 100, "quiet, workspace open", Views::Workspace);
    report(500, 20, "quiet, workspace open", Views::Workspace);
    report(200, 100, "quiet, workspace open, the arm moving", Views::WorkspaceArmMoving);
    report(500, 20, "quiet, workspace open, the arm moving", Views::WorkspaceArmMoving);
    {
        BusyProcesses busy;
        report(200, 100, "two busy processes");
        report(500, 20, "two busy processes");
    }
    ticks();
    return 0;
}
