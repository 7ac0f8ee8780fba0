// SPDX-License-Identifier: MIT
#pragma once

#include "boardcommand.h"

#include <QWidget>

#include <array>

// The 32 channels side by side: each gauge fills up to the current pulse
// width and marks the target with a line; channels never commanded are grey.
class GaugeStrip final : public QWidget
{
    Q_OBJECT

public:
    struct Channel {
        double current = 1500;
        int target = 1500;
        bool commanded = false;
        friend bool operator==(const Channel &, const Channel &) = default;
    };
    using Channels = std::array<Channel, boardcommand::channelCount>;

    explicit GaugeStrip(QWidget *parent = nullptr);
    void setChannels(const Channels &channels);
    const Channels &channels() const { return m_channels; }
    // The channels' names, shown over each gauge; an empty name shows none.
    void setNames(const std::array<QString, boardcommand::channelCount> &names);
    const std::array<QString, boardcommand::channelCount> &names() const { return m_names; }

    QSize sizeHint() const override { return {motion::channelCount * 22, 150}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    Channels m_channels{};
    std::array<QString, boardcommand::channelCount> m_names;
};
