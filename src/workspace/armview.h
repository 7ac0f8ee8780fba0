// SPDX-License-Identifier: MIT
#pragma once

#include "drawing/armpicture.h"
#include "input/tipstep.h"
#include "shared/armgeometry.h"
#include "shared/kinematics.h"

#include <QList>
#include <QPair>
#include <QWidget>

#include <array>
#include <optional>

class Clock;
class OneShotTimer;
namespace armtwin {
class ArmTwin;
}

namespace workspace {

// The arm seen from the side (in its own plane) and from above (the base's
// turn), drawn from its geometry: solid where the board has it now (the twin),
// faint where the sliders put it (the target), each joint's allowed range as an
// arc. While the twin moves it is redrawn once a frame from the clock, and not
// at all at rest.
//
// Dragging the tip in the side view moves it in the arm's plane with the hand's
// pitch kept where it reaches, else the nearest pitch that does; dragging in the
// top view turns the base. Each place is solved; the pulses go out through
// poseRequested, or nothing moves, the nearest place the arm reaches is marked
// and poseRefused says why and where that is. A legend tells the two arms apart.
//
// Focused, it takes the keyboard as a pad for the tip (keypad::step): each key
// asks for a step of the tip through tipStepRequested.
class ArmView final : public QWidget
{
    Q_OBJECT

public:
    // The twin's times and the clock's are on the same monotonic clock; the
    // timer paces the frames.
    ArmView(const armtwin::ArmTwin &twin, Clock &clock, OneShotTimer &frames, QWidget *parent = nullptr);
    ~ArmView() override;

    void setArm(const arm::ArmGeometry &geometry, const kinematics::JointLimits &limits);
    // A channel's slider value: the target arm follows it.
    void setTargetPulse(int channel, int pulse);
    // More bytes went to the twin: animate until it comes to rest.
    void twinChanged();

    kinematics::Tip targetTip() const;
    // Where the twin's gripper tip is drawn now, in the side view.
    QPointF twinTipOnScreen() const;
    bool animating() const;
    // Where a point of the arm's plane (mm), or of the floor seen from above,
    // is drawn.
    QPointF sidePoint(const kinematics::PlanePoint &point) const;
    QPointF topPoint(double x, double y) const;

    QSize sizeHint() const override { return {560, 320}; }

public Q_SLOTS:
    // Solves for `target`, the pitch as near the one asked for as the joints
    // allow, and asks for the pose; false (and poseRefused) when no pitch
    // reaches it.
    bool reach(const kinematics::Tip &target);

Q_SIGNALS:
    // (channel, pulse) for base, shoulder, elbow and wrist.
    void poseRequested(const QList<QPair<int, int>> &pulses);
    // Why the place asked for is out of reach, and the nearest tip the arm reaches.
    void poseRefused(const kinematics::Refusal &refusal, const kinematics::Tip &nearest);
    void targetTipChanged(const kinematics::Tip &tip);
    void tipStepRequested(const TipStep &step);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum class Drag { None, Side, Top };

    armpicture::Frame frame() const;
    kinematics::JointPulses twinPulses() const;
    int frameMs() const;
    void frameTick();
    void dragTo(QPointF point);
    void place(const kinematics::Reaching &reaching);
    void refuse(const kinematics::Refusal &refusal, const kinematics::Placement &nearest);
    void drawLegend(QPainter &painter, const armpicture::Frame &frame);
    void drawSide(QPainter &painter, const armpicture::Frame &frame, const kinematics::ArmPose &twin,
                  const kinematics::ArmPose &target);
    void drawTop(QPainter &painter, const armpicture::Frame &frame, const kinematics::ArmPose &twin,
                 const kinematics::ArmPose &target);
    // Where the twin's joints are drawn: the side view's, then the top view's.
    using TwinPoints = std::array<QPointF, 8>;
    TwinPoints twinPoints(const kinematics::ArmPose &twin) const;
    // Repaints when the twin has moved a visible distance since it was drawn.
    void updateIfTwinMoved();

    const armtwin::ArmTwin &m_twin;
    Clock &m_clock;
    OneShotTimer &m_frames;
    arm::ArmGeometry m_geometry;
    kinematics::JointLimits m_limits{};
    kinematics::JointPulses m_target{motion::restPulse, motion::restPulse, motion::restPulse,
                                     motion::restPulse, motion::restPulse, motion::restPulse};
    std::optional<kinematics::Refusal> m_refusal;
    kinematics::ArmPose m_nearest; // with a refusal: the nearest pose that reaches
    TwinPoints m_drawnTwin{};
    armpicture::Background m_background;
    Drag m_drag = Drag::None;
    double m_dragPitch = 0;
};

} // namespace workspace
