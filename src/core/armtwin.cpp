// SPDX-License-Identifier: MIT
#include "armtwin.h"

#include "shared/wirecommand.h"

#include <limits>

namespace armtwin {

namespace {

// Longer than any command the program writes; a line that grows past it is
// junk and is dropped rather than kept without bound.
constexpr qsizetype maxLineLength = 1024;

} // namespace

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
        const wirecommand::Command command = m_overlong ? wirecommand::Command{} : wirecommand::read(m_pending);
        m_pending.clear();
        m_overlong = false;
        if (const QList<motion::Target> targets = command.targets(); !targets.isEmpty())
            m_model.apply(targets, command.timeMs, timeUs);
    }
}

} // namespace armtwin
