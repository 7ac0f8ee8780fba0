// SPDX-License-Identifier: MIT
#include "easedmove.h"

#include "shared/wirecommand.h"

#include <algorithm>
#include <cmath>

namespace easedmove {

namespace {

constexpr qint64 usPerMs = 1000;

// Up to the next whole number, forgiving the last bits of a division that
// should have come out whole.
qint64 roundUp(double value)
{
    return qint64(std::ceil(value - 1e-9));
}

int digits(int value)
{
    int count = 1;
    for (; value >= 10; value /= 10)
        ++count;
    return count;
}

qint64 wireUs(qsizetype bytes, double bytesPerSecond)
{
    return bytesPerSecond > 0 ? roundUp(double(bytes) * 1e6 / bytesPerSecond) : 0;
}

// The longest a step command for `channels` can be with a step of `stepMs`:
// "#<channel>P<pulse>" for each, "T<ms>" and CR. The last step's time is
// shorter or the same.
qsizetype stepBytesAtMost(const QList<int> &channels, const std::array<int, motion::channelCount> &highest, int stepMs)
{
    qsizetype bytes = 1 + digits(stepMs) + 1;
    for (const int channel : channels)
        bytes += 2 + digits(channel) + digits(highest[size_t(channel)]);
    return bytes;
}

// The shortest step, from `stepMs` on, whose command fits in the line's share.
int stepFor(const QList<int> &channels, const std::array<int, motion::channelCount> &highest, int stepMs,
            double bytesPerSecond)
{
    if (bytesPerSecond <= 0)
        return stepMs;
    for (;;) {
        // A longer step can write its time with one digit more: go again.
        const double bytes = double(stepBytesAtMost(channels, highest, stepMs));
        const int needed = int(roundUp(bytes * 1000.0 / (lineShare * bytesPerSecond)));
        if (needed <= stepMs)
            return stepMs;
        stepMs = needed;
    }
}

qint64 msUp(qint64 us)
{
    return (us + usPerMs - 1) / usPerMs;
}

struct Split {
    QList<motion::Target> plain;                    // in the line's order
    QList<int> eased;                               // in the order the line first names them
    std::array<int, motion::channelCount> target{}; // an eased channel's last target in the line
};

Split splitLine(const Line &line, const Curves &curves)
{
    Split split;
    for (const motion::Target &group : line.targets) {
        if (curves[size_t(group.channel)] == easing::Curve::Linear) {
            split.plain.append(group);
            continue;
        }
        if (!split.eased.contains(group.channel))
            split.eased.append(group.channel);
        split.target[size_t(group.channel)] = group.pulse;
    }
    return split;
}

// Adds each eased channel's way from Plan::startUs, and gives the slowest's
// time in ms. A channel takes the time the board would give it the whole line
// at that moment: its own by its speed and the top rate, or with a T the
// slowest's. Steps last whole ms; the slowest at least one, as T0 would leave
// the board to its top rate.
qint64 addWays(Plan &plan, const Line &line, const Board &board, const Split &split, const Curves &curves)
{
    const qint64 start = board.departureUs + plan.startUs;
    motion::MotionModel whole = board.model;
    whole.apply(line.targets, line.timeMs, start);
    qint64 slowestMs = 1;
    QList<qint64> ownMs;
    for (const int channel : split.eased) {
        ownMs.append(msUp(whole.arrivalUs(channel) - start));
        slowestMs = std::max(slowestMs, ownMs.last());
    }
    // A faster channel lands on a step, never sooner than its own time allows.
    const int step = plan.stepMs;
    for (qsizetype i = 0; i < split.eased.size(); ++i) {
        const int channel = split.eased[i];
        const qint64 wholeSteps = (ownMs[i] + step - 1) / step * step;
        plan.eased.append({channel, curves[size_t(channel)], board.model.position(channel, start),
                           split.target[size_t(channel)], std::min(wholeSteps, slowestMs) * usPerMs});
    }
    return slowestMs;
}

// One step command a step after another's arrival, each written so that it
// arrives then, carrying each channel's point for when the next arrives; the
// last carries what is left of the slowest's time.
void addSteps(Plan &plan, qint64 slowestMs, double bytesPerSecond)
{
    const int step = plan.stepMs;
    const qint64 steps = (slowestMs + step - 1) / step;
    for (qint64 k = 1; k <= steps; ++k) {
        const qint64 sinceStartMs = (k - 1) * step;
        const qint64 pointMs = std::min(k * step, slowestMs);
        QList<motion::Target> points;
        for (const EasedChannel &way : std::as_const(plan.eased)) {
            // Every channel is in the first step, even one with nowhere to go,
            // so that it stops where the line says.
            if (k > 1 && sinceStartMs * usPerMs >= way.durationUs)
                continue;
            const qint64 pointUs = pointMs * usPerMs;
            const int pulse = pointUs >= way.durationUs ? way.to : qRound(way.pulseAt(pointUs));
            points.append({way.channel, pulse, std::nullopt});
        }
        const QString text = wirecommand::write(points, int(pointMs - sinceStartMs));
        const qint64 wire = wireUs(text.size(), bytesPerSecond);
        plan.commands.append({text, plan.startUs + sinceStartMs * usPerMs - wire, wire});
    }
    plan.stepCount = qsizetype(steps);
}

} // namespace

Board standingAt(const std::array<int, motion::channelCount> &pulses, double topRate)
{
    Board board{motion::MotionModel(topRate), 0};
    QList<motion::Target> targets;
    for (int channel = 0; channel < motion::channelCount; ++channel)
        targets.append({channel, pulses[size_t(channel)], std::nullopt});
    board.model.apply(targets, std::nullopt, 0);
    board.departureUs = board.model.arrivalUs();
    return board;
}

double EasedChannel::pulseAt(qint64 us) const
{
    if (durationUs <= 0)
        return to;
    return from + (to - from) * easing::progress(curve, double(us) / double(durationUs));
}

Plan compile(const Line &line, const Board &board, const Settings &settings)
{
    Plan plan;
    const Split split = splitLine(line, settings.curves);
    if (split.eased.isEmpty())
        return plan;

    const double bytesPerSecond = settings.bytesPerSecond;
    if (!split.plain.isEmpty()) {
        const QString text = wirecommand::write(split.plain, line.timeMs);
        plan.commands.append({text, 0, wireUs(text.size(), bytesPerSecond)});
    }

    // Every point of a channel's way lies between where it is heading now (or
    // stands) and its new target: the curves never overshoot.
    std::array<int, motion::channelCount> highest{};
    for (const int channel : split.eased) {
        const int now = int(std::ceil(board.model.position(channel, board.departureUs)));
        highest[size_t(channel)] = std::max({now, board.model.target(channel), split.target[size_t(channel)]});
    }
    plan.stepMs = stepFor(split.eased, highest, std::clamp(settings.stepMs, easing::leastStepMs, easing::mostStepMs),
                          bytesPerSecond);
    // The first step goes out as soon as the line is free, and no step is longer.
    const qint64 lineFree = plan.commands.isEmpty() ? 0 : plan.commands.first().arrivalUs();
    plan.startUs = lineFree + wireUs(stepBytesAtMost(split.eased, highest, plan.stepMs), bytesPerSecond);

    const qint64 slowestMs = addWays(plan, line, board, split, settings.curves);
    plan.endUs = plan.startUs + slowestMs * usPerMs;
    addSteps(plan, slowestMs, bytesPerSecond);
    return plan;
}

void play(const Plan &plan, motion::MotionModel &model, qint64 departureUs)
{
    for (const Command &command : plan.commands) {
        const wirecommand::Command read = wirecommand::read(QStringView(command.text));
        model.apply(read.targets(), read.timeMs, departureUs + command.arrivalUs());
    }
}

Timing timing(const Plan &plan, const Board &board)
{
    Timing result;
    motion::MotionModel model = board.model;
    play(plan, model, board.departureUs);
    for (const EasedChannel &way : plan.eased) {
        result.arrivalUs = std::max(result.arrivalUs, model.arrivalUs(way.channel) - board.departureUs);
        const double peakRate = easing::peakSlope(way.curve) * std::abs(way.to - way.from);
        const int neededMs = int(roundUp(peakRate / model.topRate() * 1000.0));
        result.neededMs = std::max(result.neededMs, neededMs);
        if (way.durationUs < neededMs * usPerMs)
            result.followsCurves = false;
    }
    return result;
}

} // namespace easedmove
