// SPDX-License-Identifier: MIT
#include "poseline.h"

#include "core/linecheck.h"
#include "core/lineformat.h"
#include "core/playbackspeed.h"
#include "core/sequenceline.h"
#include "core/textcodec.h"
#include "shared/commandlimits.h"
#include "shared/wirecommand.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace poseline {

namespace {

int roundUp(double ms, int step = 1)
{
    return int(std::ceil(ms / step - 1e-9)) * step;
}

constexpr double usPerMs = 1000;

// The slowest servo's time to arrive from `before`, by the motion model.
double motionMs(const LineMove &move, const Pose &before, double topRate)
{
    if (move.targets.isEmpty())
        return 0;
    motion::MotionModel model(topRate);
    // The channels stand where the pose before left them.
    QList<motion::Target> start;
    for (const motion::Target &target : move.targets)
        start.append({target.channel, before[size_t(target.channel)], std::nullopt});
    model.apply(start, std::nullopt, 0);
    constexpr qint64 settledUs = 3'600'000'000;
    model.apply(move.targets, move.timeMs, settledUs);
    return double(model.arrivalUs() - settledUs) / 1000.0;
}

// How long an eased line takes from its first byte until its slowest servo
// arrives, and what of it goes on the wire before the next line.
struct EasedTiming {
    qsizetype bytes = 0;
    double wireMs = 0;
    double arrivalMs = 0;
    bool followsCurves = true;
};

EasedTiming easedTiming(const easedmove::Plan &plan, const easedmove::Board &board, qint64 intervalUs)
{
    EasedTiming result;
    const qsizetype sent = commandsSent(plan, intervalUs);
    qint64 wireUs = 0;
    for (qsizetype i = 0; i < sent; ++i) {
        result.bytes += plan.commands[i].text.size();
        wireUs += plan.commands[i].wireUs;
    }
    result.wireMs = double(wireUs) / usPerMs;
    // All of them, for what the line needs: the eased channels and the others.
    motion::MotionModel model = board.model;
    easedmove::play(plan, model, board.departureUs);
    result.arrivalMs = double(model.arrivalUs() - board.departureUs) / usPerMs;
    result.followsCurves = easedmove::timing(plan, board).followsCurves;
    return result;
}

} // namespace

bool Easing::any() const
{
    return std::any_of(curves.begin(), curves.end(),
                       [](easing::Curve curve) { return curve != easing::Curve::Linear; });
}

Pose restPose()
{
    Pose pose;
    pose.fill(motion::restPulse);
    return pose;
}

LineMove read(const QString &line, const Playing &playing)
{
    LineMove move;
    move.playsAsWritten = linecheck::playsAsWritten(line);
    // Playback sends a line only when it can read both its command and its interval.
    const sequenceline::Playback parsed = sequenceline::readForPlayback(line + u'\r');
    move.sent = parsed.command && parsed.interval;
    if (!move.sent)
        return move;
    move.interval = parsed.interval;
    QString command = *parsed.command;
    if (playing.limits)
        command = commandlimits::clamp(command, *playing.limits).text;
    command = playbackspeed::played(command, playing.speed);
    move.bytes = textcodec::encodeForWire(command).size();
    const wirecommand::Command read = wirecommand::read(command);
    move.targets = read.targets();
    move.timeMs = read.timeMs;
    return move;
}

Pose apply(const Pose &before, const LineMove &move)
{
    Pose after = before;
    for (const motion::Target &target : move.targets)
        after[size_t(target.channel)] = target.pulse;
    return after;
}

int intervalAfter(const LineMove &move, int inForce)
{
    return move.interval && *move.interval >= 0 ? *move.interval : inForce;
}

easedmove::Plan plan(const LineMove &move, const easedmove::Board &board, const Easing &easing, double bytesPerSecond)
{
    if (!easing.any() || move.targets.isEmpty())
        return {};
    return easedmove::compile({move.targets, move.timeMs}, board, {easing.curves, easing.stepMs, bytesPerSecond});
}

qsizetype commandsSent(const easedmove::Plan &plan, qint64 intervalUs)
{
    if (intervalUs <= 0)
        return plan.commands.size();
    qsizetype sent = std::min<qsizetype>(1, plan.commands.size());
    while (sent < plan.commands.size() && plan.commands[sent].dueUs < intervalUs)
        ++sent;
    return sent;
}

Figures figures(const LineMove &move, const Pose &before, int inForce, double bytesPerSecond, double topRate,
                double speed, const Easing &easing)
{
    Figures figures;
    figures.speed = speed;
    const int written = intervalAfter(move, inForce);
    figures.interval = playbackspeed::scaledMs(written, speed);
    figures.bytes = move.bytes;
    double wireMs = bytesPerSecond > 0 ? double(move.bytes) * usPerMs / bytesPerSecond : 0;
    // The board acts on a command when its CR has arrived.
    double arrival = wireMs + motionMs(move, before, topRate);
    bool followsCurves = true;
    if (easing.any()) {
        const easedmove::Board board = easedmove::standingAt(before, topRate);
        if (const easedmove::Plan steps = plan(move, board, easing, bytesPerSecond); steps.hasSteps()) {
            const EasedTiming timing = easedTiming(steps, board, qint64(figures.interval) * 1000);
            figures.bytes = timing.bytes;
            wireMs = timing.wireMs;
            arrival = timing.arrivalMs;
            followsCurves = timing.followsCurves;
        }
    }
    figures.wireMs = roundUp(wireMs);
    figures.arrivalMs = roundUp(arrival);
    if (!move.playsAsWritten) {
        figures.problem = Figures::Problem::NotAsWritten;
    } else if (!move.sent || written == 0) {
        // Nothing goes out, or playback ends after the line: nothing follows it.
    } else if (wireMs > figures.interval) {
        figures.problem = Figures::Problem::WireTooSlow;
        figures.neededMs = figures.wireMs;
    } else if (arrival > figures.interval) {
        // A servo behind its curve is late because of the curve: told apart,
        // as a gentler curve or a slower move would keep the time too.
        figures.problem = followsCurves ? Figures::Problem::CannotArrive : Figures::Problem::CannotFollowCurve;
        figures.neededMs = roundUp(arrival, intervalStep);
    }
    return figures;
}

QString describe(const Figures &figures)
{
    switch (figures.problem) {
    case Figures::Problem::None:
        return {};
    case Figures::Problem::NotAsWritten:
        return QCoreApplication::translate("poseline", "不会按原样播放");
    case Figures::Problem::WireTooSlow:
        return QCoreApplication::translate("poseline", "线路来不及 需要 %1 ms，间隔 %2 ms")
            .arg(figures.neededMs)
            .arg(figures.interval);
    case Figures::Problem::CannotArrive:
        return QCoreApplication::translate("poseline", "来不及到位 需要 %1 ms，间隔 %2 ms")
            .arg(figures.neededMs)
            .arg(figures.interval);
    case Figures::Problem::CannotFollowCurve:
        return QCoreApplication::translate("poseline", "曲线跟不上 需要 %1 ms，间隔 %2 ms")
            .arg(figures.neededMs)
            .arg(figures.interval);
    }
    return {};
}

int stretchedInterval(const Figures &figures)
{
    // Playback divides what is written by its speed.
    const int needed = std::max(roundUp(figures.arrivalMs * figures.speed, intervalStep),
                                int(std::lround(figures.interval * figures.speed)));
    return std::clamp(needed, leastInterval, mostInterval);
}

QString withInterval(const QString &line, int interval)
{
    using lineformat::intervalField;
    using lineformat::intervalStart;
    const QStringView field = QStringView(line).mid(intervalStart, intervalField);
    const QString digits = QString::number(interval);
    // A field written right-aligned ("Time  800 ") stays so.
    const bool rightAligned = field.startsWith(u' ') && !field.trimmed().isEmpty();
    const QString written = rightAligned ? digits.rightJustified(intervalField) : digits.leftJustified(intervalField);
    QString result = line;
    result.replace(intervalStart,
                   std::min<qsizetype>(intervalField, std::max<qsizetype>(line.size() - intervalStart, 0)), written);
    return result;
}

} // namespace poseline
