// SPDX-License-Identifier: MIT
#pragma once

#include "shared/armgeometry.h"

#include <QWidget>

#include <array>

// A side view of the six-servo arm: base turn, shoulder, elbow, wrist, wrist
// turn, gripper, each at a pulse width turned into an angle by its joint's
// calibration (by default 1500 µs is 0°, 2000 µs per 180 degrees). The base turn shows as the arm's foreshortening and
// a dial; the wrist turn as the gripper's.
class ArmView final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int jointCount = 6;
    using Pulses = std::array<double, jointCount>;

    explicit ArmView(QWidget *parent = nullptr);

    // The joint's name as the window shows it ("底座旋转" for joint 0).
    static QString jointName(int joint);

    void setPulses(const Pulses &pulses);
    void setChannels(const std::array<int, jointCount> &channels);
    void setCalibration(const std::array<arm::Calibration, jointCount> &calibration);
    // Paint events so far (for frame rate figures).
    qint64 frames() const { return m_frames; }

    QSize sizeHint() const override { return {360, 320}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double degrees(int joint) const;

    Pulses m_pulses{1500, 1500, 1500, 1500, 1500, 1500};
    std::array<int, jointCount> m_channels{};
    std::array<arm::Calibration, jointCount> m_calibration{};
    qint64 m_frames = 0;
};
