// SPDX-License-Identifier: MIT
#pragma once

#include "core/posedraft.h"
#include "shared/channelsetup.h"

#include <QGroupBox>

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QScrollBar;

// The 32 servo channels: for each channel index k a value box Text1_k, a slider
// VScroll1_k (the channel's pulse width) and a check box Check1_k, in two rows of
// 16 columns whose captions 1..32 do not follow k (the setup's channelAt). A
// view of the pose being edited (PoseDraft).
//
// Slider and value box follow each other in one pass: the operator's slider
// change moves the pose (which sends it) and rewrites the box; a box edit that
// reads as a valid pulse width moves the slider. A pose changed elsewhere (a
// glide shown) moves the slider and rewrites the box, and sends nothing. A
// check box enables or disables its slider, and ticks the channel.
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

    // `pose` and `setup` outlive the panel.
    ChannelPanel(PoseDraft &pose, const ChannelSetup &setup, QWidget *parent = nullptr);

    int pulse(int channel) const;

    // Start-up: every box shows its slider's value, every check box is cleared
    // (which disables every slider).
    void showValuesAndClearChecks();

    // For k = 0..31: rewrite the box from the slider, then move the slider to
    // `pulse`; each channel that moves is sent before the next is touched.
    void reset(int pulse);

    // The setup has changed: each slider takes its channel's range (a value
    // outside it moves to the nearest end, as any slider move) and every
    // control its channel's name.
    void followSetup();

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
    // The pose holds a new pulse for `channel`: the slider and the box show it.
    void showPulse(int channel);
    void showAgreement(int channel);
    QList<QWidget *> controls(int channel) const;

    PoseDraft &m_pose;
    const ChannelSetup &m_setup;
    std::array<Column, channelCount> m_columns;
    std::array<QLabel *, channelCount> m_captions{};
};
