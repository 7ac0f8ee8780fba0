// SPDX-License-Identifier: MIT
// The puppeteer, through the main window on a QtSerialPort over a
// pseudo-terminal whose far end is read on a real-time thread, a line of
// 115,200 baud modelled on it:
//   1. from a pad's stick tilted (SDL's virtual pad, at a random instant) to the
//      first command it makes off the line; the reference is a slider changed
//      from a thread at a random instant (posted to the window's thread, as the
//      window system delivers input), in the same run, interleaved;
//   2. a 10 s recording at 100 ms intervals, the base on the pad's stick and
//      the shoulder on its slider, played back: for each recorded line, when
//      the played arm reaches its pose against when it was acted, both from
//      their starts. The reference is playback's own timing: each line's
//      departure against its due time.

#include "benchutil.h"
#include "farend.h"

#include "engine/poserecording.h"
#include "input/gamepad.h"
#include "link/qtserialport.h"
#include "support/pseudoterminal.h"
#include "support/virtualpad.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <numbers>
#include <thread>

namespace {

constexpr int runs = 3;
constexpr int trials = 100;                  // of each kind, a run
constexpr double lineBytesPerSecond = 11520; // 115200 baud, 8N1
constexpr qint64 recordingMs = 10'000;
constexpr int intervalMs = PoseRecorder::defaultIntervalMs;
constexpr int actingMs = 16; // how often the slider moves and the stick's tilt changes
constexpr int baseChannel = 5;
constexpr int shoulderChannel = 6;
constexpr int referenceChannel = 7;

using bench::FarEnd;
using bench::monotonicNs;
using bench::spin;

// When the last byte of each command read at the far end comes off a line of
// 115,200 baud, with the command.
struct Command {
    qint64 wireEndNs;
    QByteArray bytes;
};

class Line
{
public:
    explicit Line(PseudoTerminal &pty) : m_far(pty.masterFd()) { }
    // The commands read since the last call.
    QList<Command> take()
    {
        QList<Command> commands;
        for (const FarEnd::Read &read : m_far.take()) {
            for (const char byte : read.bytes) {
                m_endNs = std::max(m_endNs, read.ns) + qint64(1e9 / lineBytesPerSecond);
                m_partial += byte;
                if (byte == '\r')
                    commands.append({m_endNs, std::exchange(m_partial, {})});
            }
        }
        return commands;
    }
    // Waits up to `ms` for a command on `channel` that ends after `afterNs`; its end, or -1.
    qint64 waitFor(int channel, qint64 afterNs, qint64 ms)
    {
        const QByteArray group = '#' + QByteArray::number(channel) + 'P';
        const qint64 until = monotonicNs() + ms * 1'000'000;
        while (monotonicNs() < until) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            for (const Command &command : take()) {
                if (command.wireEndNs > afterNs && command.bytes.contains(group))
                    return command.wireEndNs;
            }
        }
        return -1;
    }

private:
    FarEnd m_far;
    qint64 m_endNs = 0;
    QByteArray m_partial;
};

struct Latencies {
    QList<double> pad, slider; // ms, each trial
};

// Pad and slider trials interleaved, each at a random instant from a thread of its own.
Latencies measureLatency(WindowHarness &h, Line &line, VirtualPad &pad, QRandomGenerator &random)
{
    Latencies latencies;
    QScrollBar &slider = h.slider(referenceChannel);
    for (int trial = 0; trial < 2 * trials; ++trial) {
        const bool byPad = trial % 2 == 0;
        spin(30);
        line.take();
        const qint64 at = monotonicNs() + 5'000'000 + qint64(random.bounded(20'000'000));
        qint64 postedNs = 0;
        const int way = trial % 4 < 2 ? 1 : -1;
        std::thread input([&] {
            bench::sleepUntil(at);
            postedNs = monotonicNs();
            if (byPad) {
                pad.tilt(pad::Axis::LeftX, way);
            } else {
                QMetaObject::invokeMethod(
                    &slider, [&slider, way] { slider.setValue(slider.value() + way * 10); }, Qt::QueuedConnection);
            }
        });
        while (monotonicNs() < at)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        input.join();
        const qint64 endNs = line.waitFor(byPad ? baseChannel : referenceChannel, postedNs, 1000);
        if (byPad)
            pad.tilt(pad::Axis::LeftX, 0);
        if (endNs < 0)
            qFatal("trial %d: no command on the line", trial);
        (byPad ? latencies.pad : latencies.slider).append(double(endNs - postedNs) / 1e6);
    }
    return latencies;
}

struct Played {
    QList<double> lagMs;       // each recorded line with groups: played − acted, from their starts
    QList<double> departureMs; // each line: departure − due, from the first
    int lines = 0;
    int offActed = 0; // lines whose pose is not the one acted at their interval's end
};

poseline::Pose poseOf(const PoseDraft &pose)
{
    poseline::Pose pulses;
    for (int channel = 0; channel < motion::channelCount; ++channel)
        pulses[size_t(channel)] = pose.pulse(channel);
    return pulses;
}

// Records 10 s of acting, then plays it back.
Played recordAndPlay(WindowHarness &h, Line &line, VirtualPad &pad)
{
    Engine &engine = h.engine();
    PoseDraft &pose = engine.pose();
    engine.sequence().setText({});
    engine.cursor().setLine(0);
    QList<QPair<qint64, poseline::Pose>> acted; // engine clock, ms
    const auto note = [&] { acted.append({engine.clock().nowNs() / 1'000'000, poseOf(pose)}); };
    const QMetaObject::Connection noting = QObject::connect(&pose, &PoseDraft::pulseChanged, note);

    auto *record = h.window().findChild<QAction *>(QStringLiteral("recordAction"));
    const poseline::Pose startPose = poseOf(pose);
    const qint64 startMs = engine.clock().nowNs() / 1'000'000;
    record->trigger();
    QTimer acting;
    const qint64 actingFrom = monotonicNs();
    QObject::connect(&acting, &QTimer::timeout, [&] {
        const double t = double(monotonicNs() - actingFrom) / 1e9;
        pad.tilt(pad::Axis::LeftX, 0.5 * std::sin(2 * std::numbers::pi * t / 4));
        h.slider(shoulderChannel).setValue(1500 + int(std::lround(300 * std::sin(2 * std::numbers::pi * t / 3))));
    });
    acting.start(actingMs);
    spin(recordingMs);
    acting.stop();
    pad.tilt(pad::Axis::LeftX, 0);
    spin(50);
    record->trigger();
    QObject::disconnect(noting);
    if (acted.isEmpty())
        qFatal("nothing was acted");

    // Each line's pose, and when it was acted: the end of the first interval of its time.
    const SequenceDocument &sequence = engine.sequence();
    Played played;
    played.lines = int(sequence.sequenceLineCount());
    const qint64 originMs = startMs + (acted.first().first - startMs) / intervalMs * intervalMs;
    QList<poseline::LineMove> moves;
    QList<double> actedAtMs; // from the origin; -1: a line of stillness
    QList<double> travelMs;
    poseline::Pose linePose = startPose;
    qint64 lineStartMs = 0;
    for (int n = 0; n < played.lines; ++n) {
        const poseline::LineMove move = poseline::read(sequence.lineText(n));
        double travel = 0;
        for (const motion::Target &target : move.targets)
            travel = std::max(travel, std::abs(target.pulse - linePose[size_t(target.channel)]) * 1000.0
                                          / double(target.speed.value_or(1)));
        linePose = poseline::apply(linePose, move);
        if (!move.targets.isEmpty()) {
            poseline::Pose actedThen = startPose;
            for (const auto &[atMs, pulses] : std::as_const(acted)) {
                if (atMs < originMs + lineStartMs + intervalMs)
                    actedThen = pulses;
            }
            played.offActed += actedThen == linePose ? 0 : 1;
        }
        actedAtMs.append(move.targets.isEmpty() ? -1 : double(lineStartMs + intervalMs));
        travelMs.append(travel);
        lineStartMs += move.interval.value_or(0);
        moves.append(move);
    }

    // The arm back where the acting began, then the lines played.
    std::map<int, int> start;
    for (const int channel : {baseChannel, shoulderChannel})
        start[channel] = startPose[size_t(channel)];
    engine.glideTo(start);
    spin(Playback::defaultGlideMs + 300);
    line.take();
    engine.playback().run();
    QList<Command> commands;
    const qint64 until = monotonicNs() + (recordingMs + 5000) * 1'000'000;
    while (commands.size() < played.lines && monotonicNs() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        commands += line.take();
    }
    if (commands.size() < played.lines)
        qFatal("%lld of %d lines arrived", qlonglong(commands.size()), played.lines);
    const qint64 firstNs = commands.first().wireEndNs;
    qint64 dueMs = 0;
    for (int n = 0; n < played.lines; ++n) {
        const double leftMs = double(commands[n].wireEndNs - firstNs) / 1e6;
        played.departureMs.append(leftMs - double(dueMs));
        if (actedAtMs[n] >= 0)
            played.lagMs.append(leftMs + travelMs[n] - actedAtMs[n]);
        dueMs += moves[n].interval.value_or(0);
    }
    return played;
}

QList<double> absolute(QList<double> values)
{
    for (double &value : values)
        value = std::abs(value);
    return values;
}

} // namespace

int main(int argc, char *argv[])
{
    if (!virtualpad::startSdl())
        qFatal("SDL does not start: %s", SDL_GetError());
    QApplication app(argc, argv);
    PseudoTerminal pty;
    WindowHarness::Options options;
    options.sequenceFile = QByteArray();
    options.port = std::make_unique<QtSerialPort>();
    WindowHarness h(std::move(options));
    h.window().show();
    if (!QTest::qWaitForWindowExposed(&h.window()))
        qFatal("the main window was not shown");
    h.connectTo(pty.portBoxText());
    if (!pty.isValid() || !h.window().portIsOpen())
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));
    Line line(pty);
    VirtualPad pad("puppet");
    auto *gamepad = h.window().findChild<Gamepad *>(QStringLiteral("gamepad"));
    const qint64 lookUntil = monotonicNs() + 2'000'000'000;
    while ((!gamepad->attached() || gamepad->holding()) && monotonicNs() < lookUntil)
        spin(20);
    if (!gamepad->attached())
        qFatal("the program did not take up the pad");

    QRandomGenerator random(7);
    QList<double> padMedian, padP99, sliderMedian, sliderP99;
    QList<double> lagMedian, lagP99, lagMax, departureMedian, departureP99, departureMax, offActed, beyond, lines;
    for (int run = 0; run < runs; ++run) {
        const Latencies latencies = measureLatency(h, line, pad, random);
        padMedian.append(bench::median(latencies.pad));
        padP99.append(bench::percentile(latencies.pad, 99));
        sliderMedian.append(bench::median(latencies.slider));
        sliderP99.append(bench::percentile(latencies.slider, 99));

        const Played played = recordAndPlay(h, line, pad);
        const QList<double> lag = absolute(played.lagMs);
        const QList<double> departure = absolute(played.departureMs);
        lagMedian.append(bench::median(lag));
        lagP99.append(bench::percentile(lag, 99));
        lagMax.append(bench::percentile(lag, 100));
        departureMedian.append(bench::median(departure));
        departureP99.append(bench::percentile(departure, 99));
        departureMax.append(bench::percentile(departure, 100));
        offActed.append(played.offActed);
        beyond.append(double(std::count_if(lag.begin(), lag.end(), [](double ms) { return ms > intervalMs; })));
        lines.append(played.lines);
    }

    bench::heading("a pad's stick to its command off a 115,200 baud line (modelled on the pty's far end)");
    bench::note(qPrintable(QStringLiteral("min / median / max of %1 runs, %2 trials of each a run, interleaved; "
                                          "the pad polled every %3 ms")
                               .arg(runs)
                               .arg(trials)
                               .arg(Gamepad::pollIntervalMs)));
    bench::spread(QStringLiteral("pad: stick tilted -> command off the line, median"), padMedian, "ms");
    bench::spread(QStringLiteral("pad: stick tilted -> command off the line, p99"), padP99, "ms");
    bench::spread(QStringLiteral("reference: slider changed -> command off the line, median"), sliderMedian, "ms");
    bench::spread(QStringLiteral("reference: slider changed -> command off the line, p99"), sliderP99, "ms");

    bench::heading("a 10 s recording at 100 ms (the base on the pad, the shoulder on its slider), played back");
    bench::spread(QStringLiteral("lines recorded"), lines, "");
    bench::spread(QStringLiteral("lines whose pose is not the one acted at their interval's end"), offActed, "");
    bench::spread(QStringLiteral("|played - acted| per line with a move, median"), lagMedian, "ms");
    bench::spread(QStringLiteral("|played - acted| per line with a move, p99"), lagP99, "ms");
    bench::spread(QStringLiteral("|played - acted| per line with a move, max"), lagMax, "ms");
    bench::spread(QStringLiteral("lines played more than one interval off the acting"), beyond, "");
    bench::spread(QStringLiteral("reference: |departure - due| per line (playback's own), median"), departureMedian,
                  "ms");
    bench::spread(QStringLiteral("reference: |departure - due| per line (playback's own), p99"), departureP99, "ms");
    bench::spread(QStringLiteral("reference: |departure - due| per line (playback's own), max"), departureMax, "ms");
    return 0;
}
