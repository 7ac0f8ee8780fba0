// SPDX-License-Identifier: MIT
#include "commandlimits.h"

#include "wirecommand.h"

namespace commandlimits {

Result clamp(const QString &command, const ChannelSetup &setup)
{
    Result result{command, {}};
    const QList<wirecommand::Group> groups = wirecommand::read(command).groups;
    // From the last group back, so that the positions before stay where they are.
    for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
        if (group->channel >= ChannelSetup::count)
            continue;
        const int held = setup.held(group->channel, group->pulse);
        if (held == group->pulse)
            continue;
        result.text.replace(group->pulseDigits.at, group->pulseDigits.count, QString::number(held));
        result.clamps.prepend({group->index, group->channel, group->pulse, held});
    }
    return result;
}

} // namespace commandlimits
