// SPDX-License-Identifier: MIT
// Playback timing on the wire, against a plain clock_nanosleep(TIMER_ABSTIME)
// loop writing to a second pseudo-terminal at the same time; the same with two
// busy processes loading the machine; the processor time playback takes per
// line; and the cost of one tick far down a long sequence. With the argument
// `easing`: only the eased moves on a line paced at 115,200 and 9,600 baud
// (how closely the arm follows its curves, the steps' departures against the C
// writer, how busy the line gets and what is left waiting at the end).

#include "benchutil.h"
#include "farend.h"

#include "core/easedmove.h"
#include "core/poseline.h"
#include "core/settingsstring.h"
#include "shared/wirecommand.h"

#include "link/qtserialport.h"
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"
#include "support/easedprofile.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cmath>
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

// Eased moves: six joints swinging 1,000 us along inOutSine in a second, line
// after line, each from where the one before left them (the first from rest).
constexpr int easedJoints = 6;
constexpr int easedLines = 4;
constexpr int easedPeriodMs = 1500;
constexpr int easedMoveMs = 1000;
constexpr easing::Curve easedCurve = easing::Curve::InOutSine;

int easedTarget(int line, int joint)
{
    return (line + joint) % 2 ? 2000 : 1000;
}

QByteArray easedSequence()
{
    QByteArray file;
    for (int line = 0; line < easedLines; ++line) {
        file += "Time" + QByteArray::number(easedPeriodMs).leftJustified(5) + ' ';
        for (int joint = 0; joint < easedJoints; ++joint)
            file += '#' + QByteArray::number(joint) + 'P' + QByteArray::number(easedTarget(line, joint));
        file += 'T' + QByteArray::number(easedMoveMs) + "\r\n";
    }
    return file;
}

// What the program plans for line `line`, from where the line before left the
// joints standing: when each command is due after the line's departure.
easedmove::Plan easedPlan(int line, double bytesPerSecond)
{
    poseline::Pose from = poseline::restPose();
    if (line > 0) {
        for (int joint = 0; joint < easedJoints; ++joint)
            from[size_t(joint)] = easedTarget(line - 1, joint);
    }
    easedmove::Line move;
    move.timeMs = easedMoveMs;
    easedmove::Curves curves{};
    for (int joint = 0; joint < easedJoints; ++joint) {
        move.targets.append({joint, easedTarget(line, joint), std::nullopt});
        curves[size_t(joint)] = easedCurve;
    }
    return easedmove::compile(move, easedmove::standingAt(from), {curves, easing::defaultStepMs, bytesPerSecond});
}

struct EasedRun {
    double worstShare = 0;     // the board's worst distance from the curve, as a share of the travel
    QList<double> lineMs;      // each line's first byte read minus its due time (Run + 100 ms + n periods)
    QList<double> departureMs; // each step's first byte read minus its due time after its line's
    int skipped = 0;           // steps passed over after a stall (the next says where the arm is to be)
    double busiest = 0;        // the line's busiest share over any window of five steps
    double backlogMs = 0;      // what the line still had to carry when the last byte was handed over
    double cpuMs = 0;          // processor time of the window's thread over the run
    int commands = 0;
    int stepMs = 0;
    Departures reference; // the C writer at the step's period, at the same time
};

// Plays the eased sequence (or, with `eased` false, the same lines straight,
// no profile) to a pty at `settings`; the far end puts the bytes read on a line
// of the settings' rate, as a board behind a UART would take them.
EasedRun playEased(const QString &settings, bool eased)
{
    const auto parsed = settingsstring::parse(settings);
    const double bytesPerSecond = settingsstring::bytesPerSecond(std::get<settingsstring::LineSettings>(parsed));
    const double byteNs = 1e9 / bytesPerSecond;
    PseudoTerminal pty;
    WindowHarness::Options options;
    options.sequenceFile = easedSequence();
    options.port = std::make_unique<QtSerialPort>();
    std::optional<WindowHarness> held;
    QList<int> joints;
    for (int joint = 0; joint < easedJoints; ++joint)
        joints.append(joint);
    if (eased)
        held.emplace(std::move(options), testsupport::easedProfile(joints, easedCurve));
    else
        held.emplace(std::move(options));
    WindowHarness &harness = *held;
    harness.window().show();
    if (!harness.engine().port().setSettings(settings).ok())
        qFatal("cannot set %s", qPrintable(settings));
    harness.connectTo(pty.portBoxText());
    if (!pty.isValid() || !harness.window().portIsOpen())
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));
    pty.clearReceived();
    QCoreApplication::processEvents();

    EasedRun run;
    run.stepMs = easedPlan(0, bytesPerSecond).stepMs;
    bench::FarEnd far(pty.masterFd());
    ReferenceWriter c(QStringLiteral(REFERENCE_WRITER_PATH), {}, easedLines * easedPeriodMs / run.stepMs);
    const qint64 cpuStart = monotonicNs(CLOCK_THREAD_CPUTIME_ID);
    const qint64 clicked = monotonicNs();
    harness.button("RunCommand").click();
    c.start(clicked + (firstDelayMs * 1'000'000LL + run.stepMs * 1'000'000LL / 3), run.stepMs);
    bench::spin(firstDelayMs + easedLines * easedPeriodMs + 500);
    const qint64 cpuNs = monotonicNs(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    run.reference = c.finish();

    // Each command's first byte read and its CR through the line, on the far
    // end's clock.
    struct Heard {
        QByteArray text;
        qint64 readNs = -1;
        double takenNs = 0;
    };
    QList<Heard> heard;
    QList<std::pair<double, double>> busy; // the line's busy spans
    double lineFreeNs = 0;
    qint64 lastReadNs = 0;
    Heard pending;
    for (const bench::FarEnd::Read &read : far.take()) {
        lastReadNs = read.ns;
        const double startNs = std::max(double(read.ns), lineFreeNs);
        lineFreeNs = startNs + double(read.bytes.size()) * byteNs;
        busy.append({startNs, lineFreeNs});
        for (qsizetype i = 0; i < read.bytes.size(); ++i) {
            if (pending.readNs < 0)
                pending.readNs = read.ns;
            pending.text += read.bytes[i];
            if (read.bytes[i] == '\r') {
                pending.takenNs = startNs + double(i + 1) * byteNs;
                heard.append(std::exchange(pending, {}));
            }
        }
    }
    run.backlogMs = (lineFreeNs - double(lastReadNs)) / 1e6;
    run.commands = int(heard.size());
    run.cpuMs = double(cpuNs) / 1e6;
    const double windowNs = 5.0 * run.stepMs * 1e6;
    for (const auto &[from, to] : busy) {
        double covered = 0;
        for (const auto &[start, end] : busy)
            covered += std::max(0.0, std::min(end, from + windowNs) - std::max(start, from));
        run.busiest = std::max(run.busiest, covered / windowNs);
    }
    if (!eased)
        return run;

    // The board's way from the commands as they were taken, against the curves;
    // the steps' departures against the plan, each found by its text.
    const auto apply = [&heard](motion::MotionModel &board, qsizetype index) {
        const QString text = QString::fromLatin1(heard[index].text);
        const wirecommand::Command read = wirecommand::read(QStringView(text));
        board.apply(read.targets(), read.timeMs, qint64(heard[index].takenNs / 1e3));
    };
    qsizetype next = 0;
    for (int line = 0; line < easedLines; ++line) {
        const easedmove::Plan plan = easedPlan(line, bytesPerSecond);
        if (next >= heard.size() || heard[next].text != plan.commands.first().text.toLatin1())
            qFatal("line %d did not start with its first step", line);
        const qsizetype first = next;
        const qint64 dueNs = clicked + (firstDelayMs + qint64(line) * easedPeriodMs) * 1'000'000;
        run.lineMs.append(double(heard[first].readNs - dueNs) / 1e6);
        qsizetype planned = 1;
        for (++next; next < heard.size(); ++next) {
            qsizetype at = planned;
            while (at < plan.commands.size() && plan.commands[at].text.toLatin1() != heard[next].text)
                ++at;
            if (at == plan.commands.size())
                break; // the next line's
            run.skipped += int(at - planned);
            run.departureMs.append(double(heard[next].readNs - (heard[first].readNs + plan.commands[at].dueUs * 1000))
                                   / 1e6);
            planned = at + 1;
        }
        if (line == 0)
            continue; // from rest: half the travel of the others
        motion::MotionModel board;
        for (qsizetype i = 0; i < first; ++i)
            apply(board, i);
        const double startUs = heard[first].takenNs / 1e3;
        qsizetype taken = first;
        for (double t = startUs; t <= startUs + (easedMoveMs + 50) * 1e3; t += 500) {
            for (; taken < next && heard[taken].takenNs / 1e3 <= t; ++taken)
                apply(board, taken);
            const double share = easing::progress(easedCurve, (t - startUs) / (easedMoveMs * 1e3));
            for (int joint = 0; joint < easedJoints; ++joint) {
                const double from = easedTarget(line - 1, joint), to = easedTarget(line, joint);
                const double ideal = from + (to - from) * share;
                run.worstShare =
                    std::max(run.worstShare, std::abs(board.position(joint, qint64(t)) - ideal) / std::abs(to - from));
            }
        }
    }
    return run;
}

void reportEasing(const QString &settings)
{
    bench::heading(qPrintable(QStringLiteral("eased moves at %1: %2 lines, six joints 1000 us in %3 ms along %4 "
                                             "(min / median / max of %5 runs)")
                                  .arg(settings)
                                  .arg(easedLines)
                                  .arg(easedMoveMs)
                                  .arg(easing::name(easedCurve))
                                  .arg(runs)));
    QList<double> worst, p99, median, worstDeparture, referenceP99, referenceMedian, busiest, backlog, cpu, commands,
        straightBusiest, straightBacklog, referenceCpu, lineMedian, lineWorst, skipped;
    int stepMs = 0;
    for (int run = 0; run < runs; ++run) {
        const EasedRun eased = playEased(settings, true);
        const EasedRun straight = playEased(settings, false);
        stepMs = eased.stepMs;
        worst.append(eased.worstShare * 100);
        QList<double> steps = eased.departureMs;
        median.append(bench::median(steps));
        p99.append(bench::percentile(steps, 99));
        worstDeparture.append(bench::percentile(steps, 100));
        referenceMedian.append(bench::median(eased.reference.errorMs));
        referenceP99.append(bench::percentile(eased.reference.errorMs, 99));
        referenceCpu.append(eased.reference.cpuPerLineUs);
        busiest.append(eased.busiest * 100);
        backlog.append(eased.backlogMs);
        // What the steps add to the same lines sent straight.
        cpu.append((eased.cpuMs - straight.cpuMs) * 1e3 / (eased.commands - straight.commands));
        lineMedian.append(bench::median(eased.lineMs));
        lineWorst.append(bench::percentile(eased.lineMs, 100));
        commands.append(eased.commands);
        straightBusiest.append(straight.busiest * 100);
        straightBacklog.append(straight.backlogMs);
    }
    bench::figure(QStringLiteral("step (ms)"), stepMs, "ms");
    bench::spread(QStringLiteral("commands sent"), commands, "");
    bench::spread(QStringLiteral("board off its curve, worst, share of the travel"), worst, "%");
    bench::spread(QStringLiteral("steps passed over after a stall"), skipped, "");
    bench::spread(QStringLiteral("lines' departure error (Run + 100 ms + n periods), median"), lineMedian, "ms");
    bench::spread(QStringLiteral("lines' departure error, worst"), lineWorst, "ms");
    bench::note("the steps against their line's first byte:");
    bench::spread(QStringLiteral("steps' departure error, median"), median, "ms");
    bench::spread(QStringLiteral("reference C writer at the step's period: median"), referenceMedian, "ms");
    bench::spread(QStringLiteral("steps' departure error, 99th percentile"), p99, "ms");
    bench::spread(QStringLiteral("reference C writer: 99th percentile"), referenceP99, "ms");
    bench::spread(QStringLiteral("steps' departure error, worst"), worstDeparture, "ms");
    bench::spread(QStringLiteral("line busy, busiest five steps"), busiest, "%");
    bench::spread(QStringLiteral("the same lines straight (no profile): busiest"), straightBusiest, "%");
    bench::spread(QStringLiteral("left on the line after the last byte"), backlog, "ms");
    bench::spread(QStringLiteral("the same lines straight: left on the line"), straightBacklog, "ms");
    bench::spread(QStringLiteral("processor time of the window's thread per step (eased - straight)"), cpu, "us");
    bench::spread(QStringLiteral("reference C writer: processor time per command"), referenceCpu, "us");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (QCoreApplication::arguments().contains(QStringLiteral("easing"))) {
        bench::note("MainWindow + QtSerialPort on a pty, the far end read on a thread of its own and its bytes put "
                    "on a line of the port's rate; a C writer with clock_nanosleep(TIMER_ABSTIME) on a pty of its own "
                    "at the same time");
        reportEasing(QStringLiteral("115200,n,8,1"));
        reportEasing(QStringLiteral("9600,n,8,1"));
        return 0;
    }
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
