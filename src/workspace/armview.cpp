// SPDX-License-Identifier: MIT
#include "armview.h"

#include "core/armtwin.h"
#include "core/clock.h"
#include "drawing/armpicture.h"
#include "input/keypad.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <numbers>

namespace workspace {

namespace {

using arm::Joint;
using kinematics::PlanePoint;

constexpr double grabDistance = 14; // px from the tip that starts a drag
const QColor refusedColour(204, 0, 0);

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180;
}

} // namespace

ArmView::ArmView(const armtwin::ArmTwin &twin, Clock &clock, OneShotTimer &frames, QWidget *parent)
    : QWidget(parent), m_twin(twin), m_clock(clock), m_frames(frames)
{
    setObjectName(QStringLiteral("armView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(360, 220);
    // A click or Tab gives it the keys that step the tip.
    setFocusPolicy(Qt::StrongFocus);
    m_frames.setTick([this] { frameTick(); });
}

ArmView::~ArmView()
{
    m_frames.stop();
    m_frames.setTick({});
}

void ArmView::setArm(const arm::ArmGeometry &geometry, const kinematics::JointLimits &limits)
{
    m_geometry = geometry;
    m_limits = limits;
    m_background = {};
    Q_EMIT targetTipChanged(targetTip());
    update();
}

void ArmView::setTargetPulse(int channel, int pulse)
{
    bool changed = false;
    for (size_t joint = 0; joint < m_target.size(); ++joint) {
        if (m_geometry.channels[joint] == channel && m_target[joint] != pulse) {
            m_target[joint] = pulse;
            changed = true;
        }
    }
    if (!changed)
        return;
    m_refusal.reset();
    Q_EMIT targetTipChanged(targetTip());
    update();
}

void ArmView::twinChanged()
{
    updateIfTwinMoved();
    if (!m_frames.isActive() && m_twin.moving(m_clock.nowNs() / 1000))
        m_frames.start(frameMs());
}

kinematics::Tip ArmView::targetTip() const
{
    return kinematics::forward(m_geometry, m_target).tip;
}

QPointF ArmView::twinTipOnScreen() const
{
    return frame().sidePoint(kinematics::forward(m_geometry, twinPulses()).joints[3]);
}

bool ArmView::animating() const
{
    return m_frames.isActive();
}

bool ArmView::reach(const kinematics::Tip &target)
{
    const kinematics::Solution solution = kinematics::inverse(m_geometry, m_limits, target);
    if (!solution.solved()) {
        m_refusal = solution.refusal;
        update();
        Q_EMIT poseRefused(*solution.refusal);
        return false;
    }
    QList<QPair<int, int>> pulses;
    for (size_t joint = 0; joint < solution.pulses.size(); ++joint) {
        m_target[joint] = solution.pulses[joint];
        pulses.append({m_geometry.channels[joint], solution.pulses[joint]});
    }
    m_refusal.reset();
    update();
    Q_EMIT poseRequested(pulses);
    Q_EMIT targetTipChanged(targetTip());
    return true;
}

int ArmView::frameMs() const
{
    const double rate = screen() ? screen()->refreshRate() : 60;
    return std::clamp(int(std::lround(1000 / std::max(rate, 1.0))), 5, 40);
}

void ArmView::frameTick()
{
    updateIfTwinMoved();
    if (m_twin.moving(m_clock.nowNs() / 1000))
        m_frames.start(frameMs());
}

kinematics::JointPulses ArmView::twinPulses() const
{
    const qint64 nowUs = m_clock.nowNs() / 1000;
    kinematics::JointPulses pulses{};
    for (size_t joint = 0; joint < pulses.size(); ++joint) {
        const int channel = m_geometry.channels[joint];
        pulses[joint] =
            channel >= 0 && channel < motion::channelCount ? m_twin.pulse(channel, nowUs) : motion::restPulse;
    }
    return pulses;
}

ArmView::TwinPoints ArmView::twinPoints(const kinematics::ArmPose &twin) const
{
    TwinPoints points;
    const double turn = radians(twin.baseTurn);
    for (size_t i = 0; i < 4; ++i) {
        points[i] = sidePoint(twin.joints[i]);
        const double r = twin.joints[i].r;
        points[4 + i] = topPoint(r * std::cos(turn), r * std::sin(turn));
    }
    return points;
}

void ArmView::updateIfTwinMoved()
{
    // A twin that moved less than half a pixel looks the same: playback's small
    // steps, and commands for channels outside the arm, cost no repaint.
    constexpr double visible = 0.5;
    const TwinPoints now = twinPoints(kinematics::forward(m_geometry, twinPulses()));
    for (size_t i = 0; i < now.size(); ++i) {
        if (QLineF(now[i], m_drawnTwin[i]).length() >= visible)
            return update();
    }
}

armpicture::Frame ArmView::frame() const
{
    return armpicture::frame(m_geometry.links, size());
}

QPointF ArmView::sidePoint(const PlanePoint &point) const
{
    return frame().sidePoint(point);
}

QPointF ArmView::topPoint(double x, double y) const
{
    return frame().topPoint(x, y);
}

void ArmView::mousePressEvent(QMouseEvent *event)
{
    const armpicture::Frame f = frame();
    const QPointF at = event->position();
    const QPointF tip = sidePoint(kinematics::forward(m_geometry, m_target).joints[3]);
    if (f.side.contains(at) && QLineF(at, tip).length() <= grabDistance) {
        m_drag = Drag::Side;
        m_dragPitch = targetTip().pitch; // held as it was, not as each rounded step leaves it
    } else if (f.top.contains(at))
        m_drag = Drag::Top;
    else
        return;
    dragTo(at);
}

void ArmView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag != Drag::None)
        dragTo(event->position());
}

void ArmView::mouseReleaseEvent(QMouseEvent *)
{
    m_drag = Drag::None;
}

void ArmView::dragTo(QPointF point)
{
    const kinematics::ArmPose pose = kinematics::forward(m_geometry, m_target);
    if (m_drag == Drag::Side) {
        // In the arm's plane, the base where it is, the hand's pitch kept.
        const PlanePoint at = frame().sideWorld(point);
        const double turn = radians(pose.baseTurn);
        reach({at.r * std::cos(turn), at.r * std::sin(turn), at.z, m_dragPitch});
        return;
    }
    // The base alone turns, towards the pointer as seen from above.
    const QPointF fromCentre = point - frame().topCentre;
    if (fromCentre.isNull())
        return;
    const double turn = std::atan2(-fromCentre.y(), fromCentre.x()) * 180 / std::numbers::pi;
    const int pulse = int(std::lround(m_geometry.calibrationOf(Joint::Base).pulse(turn)));
    if (!m_limits[size_t(Joint::Base)].contains(pulse)) {
        m_refusal = kinematics::Refusal{kinematics::Refusal::Reason::PastLimit, Joint::Base, pulse};
        update();
        Q_EMIT poseRefused(*m_refusal);
        return;
    }
    m_target[size_t(Joint::Base)] = pulse;
    m_refusal.reset();
    update();
    Q_EMIT poseRequested({{m_geometry.channel(Joint::Base), pulse}});
    Q_EMIT targetTipChanged(targetTip());
}

void ArmView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange)
        m_background = {};
}

void ArmView::keyPressEvent(QKeyEvent *event)
{
    const std::optional<TipStep> step = keypad::step(event->key(), event->modifiers());
    if (!step)
        return QWidget::keyPressEvent(event);
    Q_EMIT tipStepRequested(*step);
}

void ArmView::paintEvent(QPaintEvent *)
{
    const armpicture::Frame f = frame();
    const qreal ratio = devicePixelRatioF();
    if (m_background.size() != size() * ratio) {
        m_background = QPixmap(size() * ratio);
        m_background.setDevicePixelRatio(ratio);
        QPainter background(&m_background);
        background.setRenderHint(QPainter::Antialiasing);
        armpicture::drawBackground(background, f, m_geometry, m_limits, tr("侧视"), tr("俯视"));
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_background);
    painter.setRenderHint(QPainter::Antialiasing);
    const kinematics::ArmPose twin = kinematics::forward(m_geometry, twinPulses());
    const kinematics::ArmPose target = kinematics::forward(m_geometry, m_target);
    m_drawnTwin = twinPoints(twin);
    drawSide(painter, f, twin, target);
    drawTop(painter, f, twin, target);
}

void ArmView::drawSide(QPainter &painter, const armpicture::Frame &f, const kinematics::ArmPose &twin,
                       const kinematics::ArmPose &target)
{
    const bool pastLimit = m_refusal && m_refusal->reason == kinematics::Refusal::Reason::PastLimit;
    armpicture::drawRanges(painter, f, m_geometry, m_limits, twin,
                           pastLimit ? std::optional(m_refusal->joint) : std::nullopt);

    if (m_refusal && m_refusal->reason == kinematics::Refusal::Reason::OutOfReach) {
        // Where the tip can go with the hand at this pitch.
        const kinematics::Reach reach = kinematics::reachAtPitch(m_geometry.links, target.tip.pitch);
        painter.setPen(QPen(refusedColour, 1.5, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        const QPointF centre = f.sidePoint(reach.centre);
        for (const double radius : {reach.outer, reach.inner}) {
            if (radius > 0)
                painter.drawEllipse(centre, radius * f.sideScale, radius * f.sideScale);
        }
    }
    armpicture::drawSide(painter, f, target, armpicture::Style::Faint);
    armpicture::drawSide(painter, f, twin, armpicture::Style::Solid);

    // The target's tip: the handle to drag.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(m_refusal ? refusedColour : QColor(30, 30, 30), 1.5));
    painter.drawEllipse(f.sidePoint(target.joints[3]), grabDistance / 2, grabDistance / 2);
}

void ArmView::drawTop(QPainter &painter, const armpicture::Frame &f, const kinematics::ArmPose &twin,
                      const kinematics::ArmPose &target)
{
    // The base's range, outlined when a turn past it was refused.
    if (m_refusal && m_refusal->joint == Joint::Base && m_refusal->reason == kinematics::Refusal::Reason::PastLimit) {
        painter.setPen(QPen(refusedColour, 2));
        painter.setBrush(Qt::NoBrush);
        armpicture::drawBaseRange(painter, f, m_geometry, m_limits);
    }
    armpicture::drawTop(painter, f, target, armpicture::Style::Faint);
    armpicture::drawTop(painter, f, twin, armpicture::Style::Solid);
}

} // namespace workspace
