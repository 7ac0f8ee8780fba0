// SPDX-License-Identifier: MIT
#pragma once

#include "shared/easing.h"
#include "shared/motion.h"

#include <QString>

#include <array>
#include <optional>

// What each of the 32 columns drives: the board channel under its caption,
// that channel's pulse range and home, and an optional name. Widget-free; the
// channel panel, its tooltips and the virtual board read it.
class ChannelSetup
{
public:
    static constexpr int count = motion::channelCount;

    struct Channel {
        int minimumPulse = motion::minPulse;
        int maximumPulse = motion::maxPulse;
        int homePulse = motion::restPulse;
        QString name; // none unless the operator gives one
        // Whether the range above is the operator's: only then is every pulse
        // sent to the channel held within it (commandlimits). Otherwise the
        // range is the slider's and the bytes typed or played go out as they are.
        bool limited = false;
        // How the channel's moves are eased; none: as the sequence's.
        std::optional<easing::Curve> easing;
        friend bool operator==(const Channel &, const Channel &) = default;
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
    // `pulse` as a command carries it to `channel`: within the operator's
    // limits where the channel has them (see commandlimits).
    int held(int channel, int pulse) const;

    // "底座旋转 · 板上通道 #5" for a named channel, "板上通道 #5" otherwise: the
    // channel as the operator knows it.
    QString describe(int channel) const;

    friend bool operator==(const ChannelSetup &, const ChannelSetup &) = default;

private:
    std::array<int, count> m_columnChannels;
    std::array<Channel, count> m_channels;
};
