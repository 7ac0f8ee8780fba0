// SPDX-License-Identifier: MIT
#include "glidepose.h"

#include "sequencedocument.h"
#include "sequenceline.h"
#include "shared/wirecommand.h"

#include <optional>

namespace glidepose {

void follow(Pose &pose, QStringView command)
{
    for (const motion::Target &target : wirecommand::read(command).targets())
        pose[target.channel] = target.pulse;
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
    QList<motion::Target> targets;
    for (const auto &[channel, pulse] : pose)
        targets.append({channel, pulse, std::nullopt});
    return wirecommand::write(targets, ms > 0 ? std::optional(ms) : std::nullopt);
}

} // namespace glidepose
