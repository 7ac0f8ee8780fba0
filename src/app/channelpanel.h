// SPDX-License-Identifier: MIT
#pragma once

#include "shared/channelsetup.h"
#include "core/sequenceline.h"

#include <QGroupBox>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;

// The 32 servo channels: for each channel index k a value box Text1_k, a slider
// VScroll1_k (the channel's pulse width) and a check box Check1_k, in two rows of
// 16 columns whose captions 1..32 do not follow k (the setup's channelAt).
//
// Slider and value box follow each other in one pass: a slider change rewrites
// the box and raises channelMoved(k); a box edit that reads as a valid pulse
// width moves the slider. A check box enables or disables its slider only.
//
// A box whose text is not the pulse its slider holds (a number out of range, no
// number, nothing) is tinted, and its tooltip says what the slider holds and why
// the text was not taken; the tint goes when the two agree again. Display only.
class ChannelPanel final : public QGroupBox
{
    Q_OBJECT

public:
    static constexpr int channelCount = ChannelSetup::count;
    // What the speed box takes, in characters. Every channel group carries the
    // speed text, so a line of all 32 channels then stays under 9 KB, far from
    // the 64 KB that no line Add or Modify builds may pass.
    static constexpr int speedLimit = 256;

    // `setup` outlives the panel.
    explicit ChannelPanel(const ChannelSetup &setup, QWidget *parent = nullptr);

    int pulse(int channel) const;
    // Ticked channels in index order, with their pulse widths.
    QList<sequenceline::Channel> tickedChannels() const;

    // Start-up: every box shows its slider's value, every check box is cleared
    // (which disables every slider).
    void showValuesAndClearChecks();

    // For k = 0..31: rewrite the box from the slider, then move the slider to
    // `pulse`; each channel that moves raises channelMoved before the next is
    // touched.
    void reset(int pulse);

    // The setup has changed: each slider takes its channel's range (a value
    // outside it moves to the nearest end, as any slider move) and every
    // control its channel's name.
    void followSetup();
    // Ticks the column of each channel of `pose` and moves its slider there,
    // through the same handlers as the operator's; the other columns stay.
    void showPose(const QList<sequenceline::Channel> &pose);

Q_SIGNALS:
    // The slider of `channel` has a new value (or was released after a drag).
    void channelMoved(int channel);

private:
    struct Column {
        QLineEdit *valueBox = nullptr;
        QScrollBar *slider = nullptr;
        QCheckBox *checkBox = nullptr;
        bool dragged = false;
    };

    void buildColumn(int position);
    void onSliderChanged(int channel);
    void onValueBoxEdited(int channel);
    void showAgreement(int channel);
    QList<QWidget *> controls(int channel) const;

    const ChannelSetup &m_setup;
    std::array<Column, channelCount> m_columns;
    std::array<QLabel *, channelCount> m_captions{};
};
