// SPDX-License-Identifier: MIT
#include "wirecommand.h"

#include <algorithm>

namespace wirecommand {

namespace {

template <typename Text>
char16_t at(const Text &text, qsizetype pos)
{
    if constexpr (std::is_same_v<Text, QStringView>)
        return text[pos].unicode();
    else
        return char16_t(static_cast<unsigned char>(text[pos]));
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

template <typename Text>
std::optional<int> number(const Text &text, qsizetype &pos)
{
    if (pos >= text.size() || !isDigit(at(text, pos)))
        return std::nullopt;
    qint64 value = 0;
    for (; pos < text.size() && isDigit(at(text, pos)); ++pos)
        value = std::min<qint64>(value * 10 + (at(text, pos) - u'0'), saturation);
    return int(value);
}

template <typename Text>
bool nextIs(const Text &text, qsizetype pos, char16_t c)
{
    return pos < text.size() && at(text, pos) == c;
}

template <typename Text>
Command readText(const Text &text)
{
    Command command;
    int hashes = 0;
    for (qsizetype pos = 0; pos < text.size();) {
        const char16_t c = at(text, pos++);
        if (c == u'T') {
            const qsizetype at = pos;
            if (const std::optional<int> time = number(text, pos)) {
                command.timeMs = *time;
                command.times.append({at, pos - at, *time});
            }
            continue;
        }
        if (c != u'#')
            continue;
        Group group;
        group.index = hashes++;
        const std::optional<int> channel = number(text, pos);
        if (!channel || !nextIs(text, pos, u'P'))
            continue;
        group.pulseDigits.at = ++pos;
        const std::optional<int> pulse = number(text, pos);
        if (!pulse)
            continue;
        group.pulseDigits.count = pos - group.pulseDigits.at;
        group.pulseDigits.value = *pulse;
        if (nextIs(text, pos, u'S')) {
            const qsizetype at = ++pos;
            if (const std::optional<int> speed = number(text, pos); speed && *speed > 0) {
                group.speed = *speed;
                group.speedDigits = {at, pos - at, *speed};
            }
        }
        group.channel = *channel;
        group.pulse = *pulse;
        command.groups.append(group);
    }
    return command;
}

} // namespace

bool Group::carriedOut() const
{
    return channel < motion::channelCount && pulse >= motion::minPulse && pulse <= motion::maxPulse;
}

QList<motion::Target> Command::targets() const
{
    QList<motion::Target> carried;
    for (const Group &group : groups) {
        if (group.carriedOut())
            carried.append(group.target());
    }
    return carried;
}

Command read(QStringView command)
{
    return readText(command);
}

Command read(QByteArrayView command)
{
    return readText(command);
}

QString write(const QList<motion::Target> &targets, std::optional<int> timeMs)
{
    QString text;
    for (const motion::Target &target : targets) {
        text += u'#' + QString::number(target.channel) + u'P' + QString::number(target.pulse);
        if (target.speed)
            text += u'S' + QString::number(*target.speed);
    }
    if (timeMs)
        text += u'T' + QString::number(*timeMs);
    return text + u'\r';
}

} // namespace wirecommand
