// SPDX-License-Identifier: MIT
#pragma once

#include "input/padsettings.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QSpinBox;

// 游戏手柄: what each stick axis and trigger moves (a joint, or the tip once the
// sticks are switched to it, either way reversed or not), which buttons record
// a line, stop and switch, the dead zone and the rates at full tilt. It opens
// on the settings stored; 确定 refuses, in place, two actions on one button,
// else stores the settings and tells them; 取消 keeps what was stored;
// 恢复默认 shows the defaults.
class GamepadDialog final : public QDialog
{
    Q_OBJECT

public:
    explicit GamepadDialog(QWidget *parent = nullptr);

    // The settings stored in the program's settings file, or the defaults.
    static pad::Settings stored();

    // What the dialog shows.
    pad::Settings settings() const;

    void accept() override;

Q_SIGNALS:
    // After 确定, once stored.
    void settingsChanged(const pad::Settings &settings);

private:
    struct AxisRow {
        QComboBox *joint;
        QCheckBox *jointReversed;
        QComboBox *tip;
        QCheckBox *tipReversed;
    };

    void fill(const pad::Settings &settings);

    std::array<AxisRow, pad::axisCount> m_axes{};
    QComboBox *m_record;
    QComboBox *m_stop;
    QComboBox *m_switchMode;
    QSpinBox *m_deadZone;
    QSpinBox *m_jointRate;
    QSpinBox *m_tipRate;
    QSpinBox *m_pitchRate;
    QLabel *m_refusal;
};
