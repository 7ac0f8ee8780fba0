// SPDX-License-Identifier: MIT
#include "unorun.h"

#include "board/boardcommand.h"
#include "servo_pulses.h"

#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace unorun {

namespace {

// The tolerances the pulses are held to.
constexpr double frameToleranceUs = 1000;
constexpr double widthToleranceUs = 10;
constexpr int firstAnalogPin = 14; // A0

QStringList hostArguments(const QString &program, const QList<int> &pins)
{
    QStringList pinList;
    for (int pin : pins)
        pinList.append(QString::number(pin));
    return {program, QStringLiteral("--pins"), pinList.join(u',')};
}

Output parse(const QByteArray &printed)
{
    Output output;
    for (const QByteArray &line : printed.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 4 && words[0] == "pulse") {
            output.pulses.append({words[1].toInt(), words[2].toDouble(), words[3].toDouble()});
        } else if (words.size() >= 3 && words[0] == "rx") {
            output.lines.append({words[1].toDouble(), line.mid(words[0].size() + words[1].size() + 2)});
        } else if (words.size() == 3 && words[0] == "tx") {
            output.written.append(char(words[2].toInt(nullptr, 16)));
        } else if (words.size() == 2 && words[0] == "end") {
            output.endUs = words[1].toDouble();
        }
    }
    return output;
}

QString describe(const Pulse &pulse)
{
    return QStringLiteral("pin %1: the pulse rising at %2 µs, %3 µs wide")
        .arg(pulse.pin)
        .arg(pulse.riseUs, 0, 'f', 1)
        .arg(pulse.widthUs, 0, 'f', 1);
}

} // namespace

QMap<int, int> channelOfPin(const QString &sketchPath)
{
    QFile file(sketchPath);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the sketch %s", qPrintable(sketchPath));
    const QString text = QString::fromUtf8(file.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("channelPins[] = {"));
    const qsizetype end = text.indexOf(QStringLiteral("};"), start);
    if (start < 0 || end < 0)
        qFatal("no channel → pin table in %s", qPrintable(sketchPath));
    QMap<int, int> channels;
    static const QRegularExpression row(QStringLiteral("\\{\\s*(\\d+)\\s*,\\s*(A?)(\\d+)\\s*\\}"));
    for (const QRegularExpressionMatch &match : row.globalMatch(text.mid(start, end - start))) {
        const int pin = match.captured(3).toInt() + (match.captured(2).isEmpty() ? 0 : firstAnalogPin);
        channels.insert(pin, match.captured(1).toInt());
    }
    return channels;
}

Output runScript(const QString &program, const QList<int> &pins, const QByteArray &script, int untilMs)
{
    QProcess host;
    host.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    host.start(QStringLiteral(UNO_HOST_PATH), hostArguments(program, pins)
                                                  << QStringLiteral("--until-ms") << QString::number(untilMs));
    if (!host.waitForStarted())
        qFatal("uno-host did not start: %s", qPrintable(host.errorString()));
    host.write(script);
    host.closeWriteChannel();
    if (!host.waitForFinished(120'000) || host.exitStatus() != QProcess::NormalExit || host.exitCode() != 0)
        qFatal("uno-host failed on %s (exit %d)", qPrintable(program), host.exitCode());
    return parse(host.readAllStandardOutput());
}

PtyRun::PtyRun(const QString &program, const QList<int> &pins)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(UNO_HOST_PATH), hostArguments(program, pins) << QStringLiteral("--pty"));
    if (!m_process.waitForStarted())
        return;
    while (!m_process.canReadLine() && m_process.waitForReadyRead(10'000)) { }
    const QByteArray first = m_process.readLine().trimmed();
    if (first.startsWith("pty /dev/pts/"))
        m_device = QString::fromLocal8Bit(first.mid(4));
}

PtyRun::~PtyRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

int PtyRun::portNumber() const
{
    return 1000 + m_device.section(u'/', -1).toInt();
}

Output PtyRun::finish()
{
    m_process.terminate();
    if (!m_process.waitForFinished(10'000) || m_process.exitCode() != 0)
        qFatal("uno-host did not end cleanly (exit %d)", m_process.exitCode());
    return parse(m_process.readAllStandardOutput());
}

ModelTrace::ModelTrace(const QList<Line> &lines, const std::map<int, int> &held, qint64 startUs, const Curves &curves)
    : m_startUs(startUs), m_curves(curves)
{
    // Long enough before `startUs` for any move to have ended.
    constexpr qint64 longBeforeUs = 10'000'000;
    motion::MotionModel model;
    std::array<double, motion::channelCount> from;
    from.fill(motion::restPulse);
    QList<motion::Target> standing;
    for (const auto &[channel, pulse] : held) {
        standing.append({channel, pulse, std::nullopt});
        from[size_t(channel)] = pulse;
    }
    model.apply(standing, std::nullopt, startUs - longBeforeUs);
    m_after.append(model);
    m_from.append(from);
    boardcommand::LineSplitter splitter;
    for (const Line &line : lines) {
        const qint64 atUs = std::llround(line.atUs);
        const QByteArray ended = line.text + '\r';
        splitter.feed(ended.constData(), ended.size(), [&](const boardcommand::Command &command) {
            for (const motion::Target &group : command.groups)
                from[size_t(group.channel)] = position(group.channel, atUs, m_after.size() - 1);
            model.apply(command.groups, command.timeMs, atUs);
        });
        m_after.append(model);
        m_from.append(from);
        m_arrivals.append(atUs);
    }
}

double ModelTrace::position(int channel, qint64 atUs, qsizetype taken) const
{
    const motion::MotionModel &model = m_after[taken];
    const double straight = model.position(channel, atUs);
    const double from = m_from[taken][size_t(channel)];
    const double to = model.target(channel);
    if (m_curves[size_t(channel)] == easing::Curve::Linear || to == from)
        return straight;
    return from + (to - from) * easing::progress(m_curves[size_t(channel)], (straight - from) / (to - from));
}

bool ModelTrace::commanded(int channel, qsizetype taken) const
{
    return m_after[taken].commanded(channel);
}

std::optional<qint64> ModelTrace::firstCommandUs(int channel) const
{
    for (qsizetype taken = 0; taken < m_after.size(); ++taken) {
        if (m_after[taken].commanded(channel))
            return taken == 0 ? m_startUs : m_arrivals[taken - 1];
    }
    return std::nullopt;
}

qsizetype ModelTrace::arrivedBy(qint64 atUs) const
{
    return std::upper_bound(m_arrivals.begin(), m_arrivals.end(), atUs) - m_arrivals.begin();
}

QString checkPulses(const Output &output, const QMap<int, int> &channelOfPin, const ModelTrace &model)
{
    const double frameUs = servopulses::frameUs;
    for (auto it = channelOfPin.cbegin(); it != channelOfPin.cend(); ++it) {
        const int pin = it.key();
        const int channel = it.value();
        QList<Pulse> pulses;
        for (const Pulse &pulse : output.pulses) {
            if (pulse.pin == pin)
                pulses.append(pulse);
        }
        const std::optional<qint64> commandedUs = model.firstCommandUs(channel);
        if (!commandedUs) {
            if (!pulses.isEmpty())
                return describe(pulses.first()) + QStringLiteral(": channel %1 had no command").arg(channel);
            continue;
        }
        qsizetype first = 0;
        while (!model.commanded(channel, first))
            ++first;
        const double firstCommandUs = double(*commandedUs);
        if (pulses.isEmpty())
            return QStringLiteral("pin %1 never pulsed, though channel %2 had a command at %3 µs")
                .arg(pin)
                .arg(channel)
                .arg(firstCommandUs);
        if (pulses.first().riseUs < firstCommandUs
            || pulses.first().riseUs > firstCommandUs + frameUs + frameToleranceUs)
            return describe(pulses.first()) + QStringLiteral(": the first, for a command at %1 µs").arg(firstCommandUs);
        // A pulse still high at the end is not told.
        if (pulses.last().riseUs < output.endUs - frameUs - motion::maxPulse - frameToleranceUs)
            return describe(pulses.last()) + QStringLiteral(": the last, before the end at %1 µs").arg(output.endUs);
        for (qsizetype i = 0; i < pulses.size(); ++i) {
            const Pulse &pulse = pulses[i];
            if (i > 0 && std::abs(pulse.riseUs - pulses[i - 1].riseUs - frameUs) > frameToleranceUs)
                return describe(pulse)
                       + QStringLiteral(": %1 µs after the one before")
                             .arg(pulse.riseUs - pulses[i - 1].riseUs, 0, 'f', 1);
            const qint64 riseUs = std::llround(pulse.riseUs);
            const qsizetype surely = model.arrivedBy(riseUs - qint64(frameUs + frameToleranceUs));
            const qsizetype arrived = model.arrivedBy(riseUs);
            QStringList modelSays;
            bool matches = false;
            for (qsizetype taken = std::max(surely, first); taken <= arrived; ++taken) {
                const double width = model.position(channel, riseUs, taken);
                matches = matches || std::abs(pulse.widthUs - width) <= widthToleranceUs;
                modelSays.append(QString::number(width, 'f', 1));
            }
            if (!matches)
                return describe(pulse)
                       + QStringLiteral(": channel %1 should be %2 µs wide")
                             .arg(channel)
                             .arg(modelSays.join(QStringLiteral(" or ")));
        }
    }
    return {};
}

} // namespace unorun
