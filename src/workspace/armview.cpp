// SPDX-License-Identifier: MIT
#include "armview.h"

#include "core/armtwin.h"
#include "sequence/playbackclock.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <cmath>
#include <numbers>

namespace workspace {

namespace {

using arm::Joint;
using kinematics::PlanePoint;

constexpr double margin = 12;       // px around each view
constexpr double grabDistance = 14; // px from the tip that starts a drag
constexpr double arcRadius = 20;    // px of a joint's range arc

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180;
}

const QColor linkColours[3] = {QColor(52, 101, 164), QColor(78, 154, 6), QColor(196, 120, 0)};
const QColor refusedColour(204, 0, 0);

QColor faint(QColor colour)
{
    colour.setAlpha(70);
    return colour;
}

// The arc of a joint's range around `centre`, from `from` degrees, measured
// from `reference` (screen angles counter-clockwise, as in the arm's plane).
void drawRange(QPainter &painter, QPointF centre, double reference, double from, double to)
{
    const QRectF box(centre - QPointF(arcRadius, arcRadius), QSizeF(2 * arcRadius, 2 * arcRadius));
    const double low = std::min(from, to);
    painter.drawArc(box, int(std::lround((reference + low) * 16)), int(std::lround(std::abs(to - from) * 16)));
}

} // namespace

ArmView::ArmView(const armtwin::ArmTwin &twin, PlaybackClock &clock, PlaybackTimer &frames, QWidget *parent)
    : QWidget(parent), m_twin(twin), m_clock(clock), m_frames(frames)
{
    setObjectName(QStringLiteral("armView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(360, 220);
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

ArmView::Frame ArmView::frame() const
{
    const arm::Links &links = m_geometry.links;
    const double reachMm = std::max(links.upperArm + links.forearm + links.hand, 1.0);
    const double behind = 0.45 * reachMm;
    const double below = 0.35 * reachMm;
    const double above = links.baseHeight + 1.05 * reachMm;

    Frame f;
    f.side = QRectF(0, 0, width() * 0.62, height());
    f.top = QRectF(f.side.right(), 0, width() - f.side.width(), height());
    f.sideScale = std::max(std::min((f.side.width() - 2 * margin) / (behind + 1.1 * reachMm),
                                    (f.side.height() - 2 * margin) / (above + below)),
                           0.01);
    f.sideOrigin = QPointF(f.side.left() + margin + behind * f.sideScale, f.side.top() + margin + above * f.sideScale);
    const double radius = std::max(std::min(f.top.width(), f.top.height()) / 2 - margin, 1.0);
    f.topScale = radius / (1.05 * reachMm);
    f.topCentre = f.top.center();
    return f;
}

QPointF ArmView::sidePoint(const PlanePoint &point) const
{
    const Frame f = frame();
    return f.sideOrigin + QPointF(point.r, -point.z) * f.sideScale;
}

QPointF ArmView::topPoint(double x, double y) const
{
    const Frame f = frame();
    return f.topCentre + QPointF(x, -y) * f.topScale;
}

PlanePoint ArmView::sideWorld(QPointF point) const
{
    const Frame f = frame();
    const QPointF mm = (point - f.sideOrigin) / f.sideScale;
    return {mm.x(), -mm.y()};
}

void ArmView::mousePressEvent(QMouseEvent *event)
{
    const Frame f = frame();
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
        const PlanePoint at = sideWorld(point);
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

void ArmView::paintEvent(QPaintEvent *)
{
    const Frame f = frame();
    const qreal ratio = devicePixelRatioF();
    if (m_background.size() != size() * ratio) {
        m_background = QPixmap(size() * ratio);
        m_background.setDevicePixelRatio(ratio);
        QPainter background(&m_background);
        background.setRenderHint(QPainter::Antialiasing);
        drawBackground(background, f);
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

void ArmView::drawSide(QPainter &painter, const Frame &f, const kinematics::ArmPose &twin,
                       const kinematics::ArmPose &target)
{
    const arm::Links &links = m_geometry.links;
    drawRanges(painter, f, twin);

    if (m_refusal && m_refusal->reason == kinematics::Refusal::Reason::OutOfReach) {
        // Where the tip can go with the hand at this pitch.
        const kinematics::Reach reach = kinematics::reachAtPitch(links, target.tip.pitch);
        painter.setPen(QPen(refusedColour, 1.5, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        const QPointF centre = sidePoint(reach.centre);
        for (const double radius : {reach.outer, reach.inner}) {
            if (radius > 0)
                painter.drawEllipse(centre, radius * f.sideScale, radius * f.sideScale);
        }
    }

    const auto drawArm = [&](const kinematics::ArmPose &pose, bool solid) {
        for (size_t i = 0; i < 3; ++i) {
            const QColor colour = solid ? linkColours[i] : faint(linkColours[i]);
            painter.setPen(QPen(colour, solid ? 7 : 11, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(sidePoint(pose.joints[i]), sidePoint(pose.joints[i + 1]));
        }
    };
    drawArm(target, false);
    drawArm(twin, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    for (const PlanePoint &joint : twin.joints)
        painter.drawEllipse(sidePoint(joint), 3.5, 3.5);

    // The target's tip: the handle to drag.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(m_refusal ? refusedColour : QColor(30, 30, 30), 1.5));
    painter.drawEllipse(sidePoint(target.joints[3]), grabDistance / 2, grabDistance / 2);
}

void ArmView::drawBackground(QPainter &painter, const Frame &f)
{
    painter.fillRect(rect(), QColor(246, 247, 250));
    const arm::Links &links = m_geometry.links;

    painter.setPen(QColor(60, 60, 60));
    painter.drawText(f.side.adjusted(margin / 2, margin / 4, 0, 0), Qt::AlignLeft | Qt::AlignTop, tr("侧视"));
    // The floor and the base's column up to the shoulder.
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    const double floorY = f.sideOrigin.y();
    painter.drawLine(QPointF(f.side.left(), floorY), QPointF(f.side.right(), floorY));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 96, 110));
    const QPointF columnTop = sidePoint({-20, links.baseHeight});
    painter.drawRect(QRectF(columnTop, sidePoint({20, 0})));

    painter.setPen(QColor(60, 60, 60));
    painter.drawText(f.top.adjusted(margin / 2, margin / 4, 0, 0), Qt::AlignLeft | Qt::AlignTop, tr("俯视"));
    // The floor within reach, and the base's range as a sector of it.
    painter.setPen(QPen(QColor(180, 180, 180), 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(reachDisc(f));
    painter.setPen(Qt::NoPen);
    painter.setBrush(faint(linkColours[0]).lighter(130));
    drawBaseRange(painter, f);
}

QRectF ArmView::reachDisc(const Frame &f) const
{
    const arm::Links &links = m_geometry.links;
    const double radius = (links.upperArm + links.forearm + links.hand) * f.topScale;
    return QRectF(f.topCentre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
}

void ArmView::drawBaseRange(QPainter &painter, const Frame &f) const
{
    const arm::Calibration &calibration = m_geometry.calibrationOf(Joint::Base);
    const kinematics::PulseRange &range = m_limits[size_t(Joint::Base)];
    const double from = calibration.degrees(range.min);
    const double to = calibration.degrees(range.max);
    painter.drawPie(reachDisc(f), int(std::lround(std::min(from, to) * 16)),
                    int(std::lround(std::abs(to - from) * 16)));
}

void ArmView::drawRanges(QPainter &painter, const Frame &f, const kinematics::ArmPose &twin)
{
    // Each range is drawn from the link before the joint, as the twin holds it.
    painter.setBrush(Qt::NoBrush);
    double reference = 0;
    for (size_t i = 0; i < 3; ++i) {
        const auto joint = Joint(i + 1);
        const arm::Calibration &calibration = m_geometry.calibrationOf(joint);
        const kinematics::PulseRange &range = m_limits[size_t(joint)];
        const bool refused =
            m_refusal && m_refusal->reason == kinematics::Refusal::Reason::PastLimit && m_refusal->joint == joint;
        painter.setPen(QPen(refused ? refusedColour : faint(linkColours[i]).darker(150), refused ? 3 : 2));
        drawRange(painter, f.sideOrigin + QPointF(twin.joints[i].r, -twin.joints[i].z) * f.sideScale, reference,
                  calibration.degrees(range.min), calibration.degrees(range.max));
        const PlanePoint from = twin.joints[i];
        const PlanePoint to = twin.joints[i + 1];
        reference = std::atan2(to.z - from.z, to.r - from.r) * 180 / std::numbers::pi;
    }
}

void ArmView::drawTop(QPainter &painter, const Frame &f, const kinematics::ArmPose &twin,
                      const kinematics::ArmPose &target)
{
    // The base's range, outlined when a turn past it was refused.
    if (m_refusal && m_refusal->joint == Joint::Base && m_refusal->reason == kinematics::Refusal::Reason::PastLimit) {
        painter.setPen(QPen(refusedColour, 2));
        painter.setBrush(Qt::NoBrush);
        drawBaseRange(painter, f);
    }

    const auto drawArm = [&](const kinematics::ArmPose &pose, bool solid) {
        const double turn = radians(pose.baseTurn);
        for (size_t i = 0; i < 3; ++i) {
            const QColor colour = solid ? linkColours[i] : faint(linkColours[i]);
            painter.setPen(QPen(colour, solid ? 6 : 10, Qt::SolidLine, Qt::RoundCap));
            const double r0 = pose.joints[i].r;
            const double r1 = pose.joints[i + 1].r;
            painter.drawLine(topPoint(r0 * std::cos(turn), r0 * std::sin(turn)),
                             topPoint(r1 * std::cos(turn), r1 * std::sin(turn)));
        }
    };
    drawArm(target, false);
    drawArm(twin, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawEllipse(f.topCentre, 4, 4);
}

} // namespace workspace
