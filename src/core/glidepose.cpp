// SPDX-License-Identifier: MIT
#include "glidepose.h"

#include "sequencedocument.h"
#include "sequenceline.h"

#include <optional>

namespace glidepose {

namespace {

constexpr int channels = 32;
constexpr int longestPulse = 5; // digits

// Reads the digits at `at` (at most `limit` of them); moves `at` past them.
std::optional<int> digits(QStringView text, qsizetype &at, int limit)
{
    const qsizetype start = at;
    int value = 0;
    while (at < text.size() && text[at].isDigit() && text[at].unicode() < 128 && at - start < limit)
        value = value * 10 + (text[at++].unicode() - '0');
    if (at == start || (at < text.size() && text[at].isDigit()))
        return std::nullopt;
    return value;
}

} // namespace

void follow(Pose &pose, QStringView command)
{
    for (qsizetype at = command.indexOf(u'#'); at >= 0; at = command.indexOf(u'#', at)) {
        ++at;
        const std::optional<int> channel = digits(command, at, 2);
        if (!channel || *channel >= channels || at >= command.size() || command[at].toUpper() != u'P')
            continue;
        ++at;
        if (const std::optional<int> pulse = digits(command, at, longestPulse))
            pose[*channel] = *pulse;
    }
}

Pose before(const SequenceDocument &document, qsizetype line)
{
    Pose pose;
    for (qsizetype index = 0; index < line; ++index) {
        const std::optional<QString> text = document.lineWithBreak(index);
        if (!text)
            break;
        // What playback sends of the line, and nothing else.
        if (const sequenceline::Playback sent = sequenceline::readForPlayback(*text); sent.interval && sent.command)
            follow(pose, *sent.command);
    }
    return pose;
}

QString command(const Pose &pose, int ms)
{
    QString text;
    for (const auto &[channel, pulse] : pose)
        text += QStringLiteral("#%1P%2").arg(channel).arg(pulse);
    if (ms > 0)
        text += QStringLiteral("T%1").arg(ms);
    return text + u'\r';
}

} // namespace glidepose
