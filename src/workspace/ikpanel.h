// SPDX-License-Identifier: MIT
#pragma once

#include "shared/kinematics.h"

#include <QWidget>

class QDoubleSpinBox;
class QLabel;

namespace workspace {

class ArmView;

// The gripper's place typed in: X, Y, Z (mm, the base's frame) and the hand's
// pitch (°), and 到达 (or Enter in a field), which solves and applies it as a
// drag in the arm view does. The fields show the target's tip as it changes;
// beside them, why a place was out of reach and the nearest one that is not.
class IkPanel final : public QWidget
{
    Q_OBJECT

public:
    explicit IkPanel(ArmView &view, QWidget *parent = nullptr);

    // Says why the last place was refused, until the target moves again.
    void showAnswer(const QString &answer);

private:
    void showTip(const kinematics::Tip &tip);
    kinematics::Tip typedTip() const;

    ArmView &m_view;
    QDoubleSpinBox *m_x;
    QDoubleSpinBox *m_y;
    QDoubleSpinBox *m_z;
    QDoubleSpinBox *m_pitch;
    QLabel *m_answer;
};

} // namespace workspace
