// SPDX-License-Identifier: MIT
#pragma once

#include "shared/armprofile.h"

#include <QDialog>

#include <optional>

class CurrentProfile;
class Notifier;
class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;

// 通道设置: each board channel under its column caption with its name, limits,
// home and easing, the sequence's easing and step time, and the arm's joints,
// calibration and link lengths. Modeless; it shows the profile in force when
// opened. 确定 checks every cell (a value out of range is refused in place with
// the reason, and nothing is saved), asks before replacing a file that held
// more than was read, writes the profile and applies it; 取消 discards the edits.
//
// When the profile in force changes while the dialog is open (打开序列… takes
// the one beside the sequence), an untouched dialog follows it; one holding the
// operator's edits keeps them, and its 确定 asks before they replace the newer
// profile. Following edits would lose the operator's work, and saving them
// unasked would undo the newer limits.
class ChannelSetupDialog final : public QDialog
{
    Q_OBJECT

public:
    ChannelSetupDialog(CurrentProfile &profile, Notifier &notifier, QWidget *parent = nullptr);

    void accept() override;

    // Why the last 确定 was refused; empty when it was not.
    QString refusal() const;

private:
    // A cell whose value 确定 refuses, and why.
    struct Refusal {
        QTableWidget *table = nullptr;
        int row = 0;
        int column = 0;
        QString why;
    };

    void fill();
    void followProfile();
    // `base` with every value the dialog shows taken from its cells; none
    // when a cell is refused.
    std::optional<ArmProfile> edited(ArmProfile base, Refusal &refusal) const;
    void fitScreen();

    CurrentProfile &m_profile;
    Notifier &m_notifier;
    ArmProfile m_shown; // what fill() put in the cells
    QTableWidget *m_channels;
    QComboBox *m_sequenceEasing;
    QSpinBox *m_stepMs;
    QTableWidget *m_joints;
    QTableWidget *m_links;
    QLabel *m_refusal;
};
