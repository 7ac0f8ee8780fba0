// SPDX-License-Identifier: MIT
#include "armtwin.h"

#include <limits>

namespace armtwin {

namespace {

// Longer than any command the program writes; a line that grows past it is
// junk and is dropped rather than kept without bound.
constexpr qsizetype maxLineLength = 1024;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits at `at`, moving `at` past them; none when there are none (or too many
// to be a number the board uses).
std::optional<int> number(QByteArrayView line, qsizetype &at)
{
    const qsizetype start = at;
    long long value = 0;
    while (at < line.size() && isDigit(line[at])) {
        if (at - start < 9)
            value = value * 10 + (line[at] - '0');
        ++at;
    }
    if (at == start || at - start > 9)
        return {};
    return int(value);
}

} // namespace

Command parse(QByteArrayView line)
{
    Command command;
    qsizetype at = 0;
    while (at < line.size()) {
        const char c = line[at++];
        if (c == 'T') {
            if (const std::optional<int> time = number(line, at))
                command.timeMs = *time;
            continue;
        }
        if (c != '#')
            continue; // blanks, and whatever the board would skip
        const std::optional<int> channel = number(line, at);
        std::optional<int> pulse;
        std::optional<int> speed;
        if (at < line.size() && line[at] == 'P') {
            ++at;
            pulse = number(line, at);
        }
        if (at < line.size() && line[at] == 'S') {
            ++at;
            speed = number(line, at);
        }
        if (channel && *channel < motion::channelCount && pulse && *pulse >= motion::minPulse
            && *pulse <= motion::maxPulse)
            command.targets.append({*channel, *pulse, speed});
    }
    return command;
}

void ArmTwin::standAt(const std::map<int, int> &pulses)
{
    QList<motion::Target> targets;
    for (const auto &[channel, pulse] : pulses) {
        if (channel >= 0 && channel < motion::channelCount)
            targets.append({channel, pulse, std::nullopt});
    }
    // Long enough ago that every channel has arrived by any time the port stamps.
    m_model.apply(targets, std::nullopt, std::numeric_limits<qint64>::min() / 4);
}

void ArmTwin::sent(QByteArrayView bytes, qint64 timeUs)
{
    for (const char c : bytes) {
        if (c != '\r' && c != '\n') {
            m_overlong = m_overlong || m_pending.size() >= maxLineLength;
            if (!m_overlong)
                m_pending.append(c);
            continue;
        }
        const Command command = m_overlong ? Command{} : parse(m_pending);
        m_pending.clear();
        m_overlong = false;
        if (!command.targets.isEmpty())
            m_model.apply(command.targets, command.timeMs, timeUs);
    }
}

} // namespace armtwin
