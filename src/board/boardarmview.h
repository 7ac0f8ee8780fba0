// SPDX-License-Identifier: MIT
#pragma once

#include "drawing/armpicture.h"
#include "shared/armgeometry.h"
#include "shared/kinematics.h"

#include <QWidget>

// The board's arm, drawn as the console's workspace draws it (the one drawing
// of the arm, armpicture): from the side and from above, each joint at the
// angle its pulse width gives by the profile's calibration, with the profile's
// links; and the joints' list (name, channel, angle).
class BoardArmView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int jointCount = arm::jointCount;
    using Pulses = kinematics::JointPulses;

    explicit BoardArmView(QWidget *parent = nullptr);

    // The joint's name as the window shows it ("底座旋转" for joint 0).
    static QString jointName(int joint);

    // The arm's channels, calibration and links, and each joint's range.
    void setArm(const arm::ArmGeometry &geometry, const kinematics::JointLimits &limits);
    void setPulses(const Pulses &pulses);
    // Where the gripper's tip is drawn now, in the side view.
    QPointF tipOnScreen() const;
    // Paint events so far (for frame rate figures).
    qint64 frames() const { return m_frames; }

    QSize sizeHint() const override { return {420, 300}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    arm::ArmGeometry m_geometry;
    kinematics::JointLimits m_limits{};
    Pulses m_pulses;
    armpicture::Background m_background;
    qint64 m_frames = 0;
};
