// SPDX-License-Identifier: MIT
#include "channelsetup.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

// The board's channels as the columns show them: the first six drive the arm
// from its base to its gripper.
constexpr std::array<int, ChannelSetup::count> boardColumns = {
    5,  6,  4,  3,  2,  1,  0,  7,  15, 14, 13, 12, 11, 10, 9,  8,
    23, 22, 21, 20, 19, 18, 17, 16, 24, 31, 30, 29, 28, 27, 26, 25,
};

} // namespace

ChannelSetup::ChannelSetup() : m_columnChannels(boardColumns) { }

int ChannelSetup::columnOf(int channel) const
{
    const auto found = std::find(m_columnChannels.begin(), m_columnChannels.end(), channel);
    return found == m_columnChannels.end() ? -1 : int(found - m_columnChannels.begin());
}

bool ChannelSetup::accepts(int channel, int pulse) const
{
    const Channel &c = m_channels[channel];
    return pulse >= c.minimumPulse && pulse <= c.maximumPulse;
}

int ChannelSetup::held(int channel, int pulse) const
{
    const Channel &c = m_channels[channel];
    return c.limited ? std::clamp(pulse, c.minimumPulse, c.maximumPulse) : pulse;
}

QString ChannelSetup::describe(int channel) const
{
    const QString board = QCoreApplication::translate("ChannelPanel", "板上通道 #%1").arg(channel);
    const QString &name = m_channels[channel].name;
    return name.isEmpty() ? board : name + QStringLiteral(" · ") + board;
}
