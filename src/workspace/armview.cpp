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
    m_background.forget();
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
    const kinematics::Reaching reaching = kinematics::reach(m_geometry, m_limits, target);
    place(reaching);
    return reaching.placed.has_value();
}

void ArmView::place(const kinematics::Reaching &reaching)
{
    if (!reaching.placed)
        return refuse(reaching.refusal, reaching.nearest);
    QList<QPair<int, int>> pulses;
    for (size_t joint = 0; joint < reaching.placed->pulses.size(); ++joint) {
        m_target[joint] = reaching.placed->pulses[joint];
        pulses.append({m_geometry.channels[joint], reaching.placed->pulses[joint]});
    }
    m_refusal.reset();
    update();
    Q_EMIT poseRequested(pulses);
    Q_EMIT targetTipChanged(targetTip());
}

void ArmView::refuse(const kinematics::Refusal &refusal, const kinematics::Placement &nearest)
{
    m_refusal = refusal;
    kinematics::JointPulses pulses = m_target;
    std::copy(nearest.pulses.begin(), nearest.pulses.end(), pulses.begin());
    m_nearest = kinematics::forward(m_geometry, pulses);
    update();
    Q_EMIT poseRefused(refusal, m_nearest.tip);
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
    const int base = int(std::lround(m_target[size_t(Joint::Base)]));
    if (m_drag == Drag::Side) {
        // In the arm's plane, the base where it is, the hand's pitch as it was
        // when the drag began wherever that reaches.
        return place(kinematics::reachInPlane(m_geometry, m_limits, base, frame().sideWorld(point), m_dragPitch));
    }
    // The base alone turns, towards the pointer as seen from above.
    const QPointF fromCentre = point - frame().topCentre;
    if (fromCentre.isNull())
        return;
    const double turn = std::atan2(-fromCentre.y(), fromCentre.x()) * 180 / std::numbers::pi;
    const int pulse = int(std::lround(m_geometry.calibrationOf(Joint::Base).pulse(turn)));
    const kinematics::PulseRange &range = m_limits[size_t(Joint::Base)];
    std::array<int, 4> pulses;
    for (size_t joint = 0; joint < pulses.size(); ++joint)
        pulses[joint] = int(std::lround(m_target[joint]));
    if (!range.contains(pulse)) {
        pulses[size_t(Joint::Base)] = std::clamp(pulse, range.min, range.max);
        return refuse({kinematics::Refusal::Reason::PastLimit, Joint::Base, pulse}, {pulses, {}});
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
        m_background.forget();
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
    QPainter painter(this);
    painter.drawPixmap(0, 0,
                       m_background.of(size(), devicePixelRatioF(), f, m_geometry, m_limits, tr("侧视"), tr("俯视")));
    painter.setRenderHint(QPainter::Antialiasing);
    const kinematics::ArmPose twin = kinematics::forward(m_geometry, twinPulses());
    const kinematics::ArmPose target = kinematics::forward(m_geometry, m_target);
    m_drawnTwin = twinPoints(twin);
    drawSide(painter, f, twin, target);
    drawTop(painter, f, twin, target);
    drawLegend(painter, f);
}

void ArmView::drawSide(QPainter &painter, const armpicture::Frame &f, const kinematics::ArmPose &twin,
                       const kinematics::ArmPose &target)
{
    const bool pastLimit = m_refusal && m_refusal->reason == kinematics::Refusal::Reason::PastLimit;
    armpicture::drawRanges(painter, f, m_geometry, m_limits, twin,
                           pastLimit ? std::optional(m_refusal->joint) : std::nullopt);

    armpicture::drawSide(painter, f, target, armpicture::Style::Faint);
    armpicture::drawSide(painter, f, twin, armpicture::Style::Solid);

    // The target's tip: the handle to drag.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(m_refusal ? refusedColour : QColor(30, 30, 30), 1.5));
    painter.drawEllipse(f.sidePoint(target.joints[3]), grabDistance / 2, grabDistance / 2);

    if (m_refusal) {
        // The nearest place the arm reaches, where the arm is offered instead.
        painter.setPen(QPen(refusedColour, 1.5, Qt::DashLine));
        painter.drawEllipse(f.sidePoint(m_nearest.joints[3]), grabDistance / 2, grabDistance / 2);
    }
}

void ArmView::drawLegend(QPainter &painter, const armpicture::Frame &f)
{
    // The two arms told apart, in the side view's upper right corner.
    const QString captions[] = {tr("板上的手臂"), tr("编辑中的姿态")};
    const QFontMetricsF metrics(font());
    const double sample = 24;
    double widest = 0;
    for (const QString &caption : captions)
        widest = std::max(widest, metrics.horizontalAdvance(caption));
    const double line = metrics.height() + 4;
    const double left = f.side.right() - armpicture::margin - widest - sample - 8;
    double y = f.side.top() + armpicture::margin + line / 2;
    const QColor colour = armpicture::linkColour(0);
    const QPen pens[] = {QPen(colour, 7, Qt::SolidLine, Qt::RoundCap),
                         QPen(armpicture::faint(colour), 11, Qt::SolidLine, Qt::RoundCap)};
    for (size_t i = 0; i < std::size(captions); ++i, y += line) {
        painter.setPen(pens[i]);
        painter.drawLine(QPointF(left, y), QPointF(left + sample, y));
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRectF(left + sample + 8, y - line / 2, widest + 2, line), Qt::AlignLeft | Qt::AlignVCenter,
                         captions[i]);
    }
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
    if (m_refusal) {
        painter.setPen(QPen(refusedColour, 1.5, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(f.topPoint(m_nearest.tip.x, m_nearest.tip.y), grabDistance / 2, grabDistance / 2);
    }
}

} // namespace workspace
