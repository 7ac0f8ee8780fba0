// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <array>

// What each of the 32 columns drives: the board channel under its caption,
// that channel's pulse range and home, and an optional name. Widget-free; the
// channel panel, its tooltips and the virtual board read it.
class ChannelSetup
{
public:
    static constexpr int count = 32;

    struct Channel {
        int minimumPulse = 500;
        int maximumPulse = 2500;
        int homePulse = 1500;
        QString name; // none unless the operator gives one
    };

    // The setup of a board as it comes: the columns in the order below, every
    // channel 500..2500 µs with its home at 1500 µs.
    ChannelSetup();

    // The board channel under column caption `column` + 1, left to right, and back.
    int channelAt(int column) const { return m_columnChannels[column]; }
    int columnOf(int channel) const;

    const Channel &channel(int channel) const { return m_channels[channel]; }
    Channel &channel(int channel) { return m_channels[channel]; }

    // Whether `pulse` lies in the range of `channel`.
    bool accepts(int channel, int pulse) const;

private:
    std::array<int, count> m_columnChannels;
    std::array<Channel, count> m_channels;
};
