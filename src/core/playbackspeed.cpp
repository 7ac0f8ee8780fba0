// SPDX-License-Identifier: MIT
#include "playbackspeed.h"

#include "shared/wirecommand.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace playbackspeed {

int scaledMs(int ms, double factor)
{
    return int(std::lround(ms / factor));
}

QString played(const QString &command, double factor)
{
    if (factor == 1)
        return command;
    const wirecommand::Command read = wirecommand::read(command);
    // The digits to replace, from the last back, so that those before stay where they are.
    std::vector<std::pair<wirecommand::Digits, int>> changes;
    const double fastest = std::floor(motion::defaultTopRate);
    for (const wirecommand::Group &group : read.groups) {
        if (group.speed)
            changes.push_back({group.speedDigits, int(std::clamp(std::round(*group.speed * factor), 1.0, fastest))});
    }
    for (const wirecommand::Digits &time : read.times)
        changes.push_back({time, int(std::min(std::round(time.value / factor), double(wirecommand::saturation)))});
    std::sort(changes.begin(), changes.end(), [](const auto &a, const auto &b) { return a.first.at > b.first.at; });
    QString text = command;
    for (const auto &[digits, value] : changes)
        text.replace(digits.at, digits.count, QString::number(value));
    return text;
}

} // namespace playbackspeed
