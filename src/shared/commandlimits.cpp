// SPDX-License-Identifier: MIT
#include "commandlimits.h"

#include <algorithm>
#include <optional>

namespace commandlimits {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads the digits at `pos` as the board does (very long numbers saturate).
std::optional<int> readNumber(const QString &text, qsizetype &pos)
{
    if (pos >= text.size() || !isDigit(text[pos]))
        return std::nullopt;
    qint64 value = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos)
        value = std::min<qint64>(value * 10 + (text[pos].unicode() - u'0'), 1'000'000'000);
    return int(value);
}

} // namespace

Result clamp(const QString &command, const ChannelSetup &setup)
{
    Result result{command, {}};
    int group = -1;
    // Positions shift as replaced digits change length: the scan runs on the result.
    QString &text = result.text;
    for (qsizetype pos = 0; pos < text.size();) {
        if (text[pos] != u'#') {
            ++pos;
            continue;
        }
        ++group;
        ++pos;
        const std::optional<int> channel = readNumber(text, pos);
        if (!channel || pos >= text.size() || text[pos] != u'P')
            continue;
        const qsizetype pulseStart = ++pos;
        const std::optional<int> pulse = readNumber(text, pos);
        if (!pulse || *channel >= ChannelSetup::count || !setup.channel(*channel).limited)
            continue;
        const ChannelSetup::Channel &limits = setup.channel(*channel);
        const int held = std::clamp(*pulse, limits.minimumPulse, limits.maximumPulse);
        if (held == *pulse)
            continue;
        const QString digits = QString::number(held);
        text.replace(pulseStart, pos - pulseStart, digits);
        pos = pulseStart + digits.size();
        result.clamps.append({group, *channel, *pulse, held});
    }
    return result;
}

} // namespace commandlimits
