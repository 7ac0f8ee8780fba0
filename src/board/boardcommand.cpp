// SPDX-License-Identifier: MIT
#include "boardcommand.h"

namespace boardcommand {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Reads the digits at `pos` (none: nullopt); very long numbers saturate.
std::optional<int> readNumber(const QByteArray &line, qsizetype &pos)
{
    if (pos >= line.size() || !isDigit(line[pos]))
        return std::nullopt;
    qint64 value = 0;
    for (; pos < line.size() && isDigit(line[pos]); ++pos)
        value = std::min<qint64>(value * 10 + (line[pos] - '0'), 1'000'000'000);
    return int(value);
}

bool nextIs(const QByteArray &line, qsizetype pos, char c)
{
    return pos < line.size() && line[pos] == c;
}

void readGroup(const QByteArray &line, qsizetype &pos, Command &command)
{
    ++pos; // '#'
    const std::optional<int> channel = readNumber(line, pos);
    if (!nextIs(line, pos, 'P')) {
        command.flags |= channel ? Flag::MissingPulse : Flag::UnknownChannel;
        return;
    }
    ++pos;
    const std::optional<int> pulse = readNumber(line, pos);
    std::optional<int> speed;
    if (nextIs(line, pos, 'S')) {
        ++pos;
        speed = readNumber(line, pos);
        if (!speed)
            command.flags |= Flag::EmptySpeed;
        else if (*speed == 0)
            speed.reset(); // S0: no limit, as a board takes it
    }
    if (!pulse) {
        command.flags |= Flag::MissingPulse;
        return;
    }
    bool usable = true;
    if (!channel || *channel >= channelCount) {
        command.flags |= Flag::UnknownChannel;
        usable = false;
    }
    if (*pulse < minPulse || *pulse > maxPulse) {
        command.flags |= Flag::PulseOutOfRange;
        usable = false;
    }
    if (usable)
        command.groups.append({*channel, *pulse, speed});
}

} // namespace

Command parse(const QByteArray &line)
{
    Command command;
    command.raw = line;
    for (qsizetype pos = 0; pos < line.size();) {
        const char c = line[pos];
        if (c == '#') {
            readGroup(line, pos, command);
        } else if (c == 'T') {
            ++pos;
            const std::optional<int> time = readNumber(line, pos);
            if (time)
                command.timeMs = *time;
            else
                command.flags |= Flag::EmptyTime;
        } else {
            if (c == '\0')
                command.flags |= Flag::NulByte;
            else if (static_cast<unsigned char>(c) >= 0x80)
                command.flags |= Flag::NonAscii;
            else if (!isBlank(c))
                command.flags |= Flag::Junk;
            ++pos;
        }
    }
    return command;
}

Command overlong(const QByteArray &start)
{
    Command command;
    command.raw = start;
    command.flags = Flag::Overlong;
    return command;
}

QStringList flagNames(Flags flags)
{
    static const std::pair<Flag, const char *> names[] = {
        {Flag::UnknownChannel, "unknown-channel"},
        {Flag::PulseOutOfRange, "pulse-out-of-range"},
        {Flag::MissingPulse, "missing-pulse"},
        {Flag::EmptySpeed, "empty-speed"},
        {Flag::EmptyTime, "empty-time"},
        {Flag::Junk, "junk"},
        {Flag::Overlong, "overlong"},
        {Flag::NulByte, "nul"},
        {Flag::NonAscii, "non-ascii"},
    };
    QStringList result;
    for (const auto &[flag, name] : names) {
        if (flags.testFlag(flag))
            result.append(QString::fromLatin1(name));
    }
    return result;
}

std::optional<Command> LineSplitter::take(char byte)
{
    if (byte == '\r' || byte == '\n') {
        const bool wasDiscarding = std::exchange(m_discarding, false);
        QByteArray line = std::exchange(m_line, {});
        if (wasDiscarding || line.isEmpty())
            return std::nullopt;
        return parse(line);
    }
    if (m_discarding)
        return std::nullopt;
    m_line.append(byte);
    if (m_line.size() <= maxLineLength)
        return std::nullopt;
    m_discarding = true;
    return overlong(std::exchange(m_line, {}));
}

} // namespace boardcommand
