// SPDX-License-Identifier: MIT
#include "armpicture.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace armpicture {

namespace {

using arm::Joint;
using kinematics::PlanePoint;

constexpr double arcRadius = 20; // px of a joint's range arc

double radians(double degrees)
{
    return degrees * std::numbers::pi / 180;
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

QPointF Frame::sidePoint(const PlanePoint &point) const
{
    return sideOrigin + QPointF(point.r, -point.z) * sideScale;
}

QPointF Frame::topPoint(double x, double y) const
{
    return topCentre + QPointF(x, -y) * topScale;
}

PlanePoint Frame::sideWorld(QPointF point) const
{
    const QPointF mm = (point - sideOrigin) / sideScale;
    return {mm.x(), -mm.y()};
}

Frame frame(const arm::Links &links, QSizeF size)
{
    const double reachMm = std::max(links.upperArm + links.forearm + links.hand, 1.0);
    const double behind = 0.45 * reachMm;
    const double below = 0.35 * reachMm;
    const double above = links.baseHeight + 1.05 * reachMm;

    Frame f;
    f.side = QRectF(0, 0, size.width() * 0.62, size.height());
    f.top = QRectF(f.side.right(), 0, size.width() - f.side.width(), size.height());
    f.sideScale = std::max(std::min((f.side.width() - 2 * margin) / (behind + 1.1 * reachMm),
                                    (f.side.height() - 2 * margin) / (above + below)),
                           0.01);
    f.sideOrigin = QPointF(f.side.left() + margin + behind * f.sideScale, f.side.top() + margin + above * f.sideScale);
    const double radius = std::max(std::min(f.top.width(), f.top.height()) / 2 - margin, 1.0);
    f.topScale = radius / (1.05 * reachMm);
    f.topCentre = f.top.center();
    return f;
}

QColor linkColour(int link)
{
    static const std::array colours{QColor(52, 101, 164), QColor(78, 154, 6), QColor(196, 120, 0)};
    return colours[size_t(link)];
}

QColor faint(QColor colour)
{
    colour.setAlpha(70);
    return colour;
}

void drawBackground(QPainter &painter, const Frame &f, const arm::ArmGeometry &geometry,
                    const kinematics::JointLimits &limits, const QString &sideCaption, const QString &topCaption)
{
    painter.fillRect(f.side.united(f.top), QColor(246, 247, 250));
    const arm::Links &links = geometry.links;

    painter.setPen(QColor(60, 60, 60));
    painter.drawText(f.side.adjusted(margin / 2, margin / 4, 0, 0), Qt::AlignLeft | Qt::AlignTop, sideCaption);
    // The floor and the base's column up to the shoulder.
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    const double floorY = f.sideOrigin.y();
    painter.drawLine(QPointF(f.side.left(), floorY), QPointF(f.side.right(), floorY));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(90, 96, 110));
    painter.drawRect(QRectF(f.sidePoint({-20, links.baseHeight}), f.sidePoint({20, 0})));

    painter.setPen(QColor(60, 60, 60));
    painter.drawText(f.top.adjusted(margin / 2, margin / 4, 0, 0), Qt::AlignLeft | Qt::AlignTop, topCaption);
    // The floor within reach, and the base's range as a sector of it.
    painter.setPen(QPen(QColor(180, 180, 180), 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(reachDisc(f, links));
    painter.setPen(Qt::NoPen);
    painter.setBrush(faint(linkColour(0)).lighter(130));
    drawBaseRange(painter, f, geometry, limits);
}

QRectF reachDisc(const Frame &f, const arm::Links &links)
{
    const double radius = (links.upperArm + links.forearm + links.hand) * f.topScale;
    return QRectF(f.topCentre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
}

void drawBaseRange(QPainter &painter, const Frame &f, const arm::ArmGeometry &geometry,
                   const kinematics::JointLimits &limits)
{
    const arm::Calibration &calibration = geometry.calibrationOf(Joint::Base);
    const kinematics::PulseRange &range = limits[size_t(Joint::Base)];
    const double from = calibration.degrees(range.min);
    const double to = calibration.degrees(range.max);
    painter.drawPie(reachDisc(f, geometry.links), int(std::lround(std::min(from, to) * 16)),
                    int(std::lround(std::abs(to - from) * 16)));
}

void drawRanges(QPainter &painter, const Frame &f, const arm::ArmGeometry &geometry,
                const kinematics::JointLimits &limits, const kinematics::ArmPose &pose, std::optional<Joint> refused)
{
    static const QColor refusedColour(204, 0, 0);
    painter.setBrush(Qt::NoBrush);
    double reference = 0;
    for (size_t i = 0; i < 3; ++i) {
        const auto joint = Joint(i + 1);
        const arm::Calibration &calibration = geometry.calibrationOf(joint);
        const kinematics::PulseRange &range = limits[size_t(joint)];
        const bool isRefused = refused == joint;
        painter.setPen(QPen(isRefused ? refusedColour : faint(linkColour(int(i))).darker(150), isRefused ? 3 : 2));
        drawRange(painter, f.sidePoint(pose.joints[i]), reference, calibration.degrees(range.min),
                  calibration.degrees(range.max));
        const PlanePoint from = pose.joints[i];
        const PlanePoint to = pose.joints[i + 1];
        reference = std::atan2(to.z - from.z, to.r - from.r) * 180 / std::numbers::pi;
    }
}

void drawSide(QPainter &painter, const Frame &f, const kinematics::ArmPose &pose, Style style)
{
    const bool solid = style == Style::Solid;
    for (size_t i = 0; i < 3; ++i) {
        const QColor colour = solid ? linkColour(int(i)) : faint(linkColour(int(i)));
        painter.setPen(QPen(colour, solid ? 7 : 11, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(f.sidePoint(pose.joints[i]), f.sidePoint(pose.joints[i + 1]));
    }
    if (!solid)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    for (const PlanePoint &joint : pose.joints)
        painter.drawEllipse(f.sidePoint(joint), 3.5, 3.5);
}

void drawTop(QPainter &painter, const Frame &f, const kinematics::ArmPose &pose, Style style)
{
    const bool solid = style == Style::Solid;
    const double turn = radians(pose.baseTurn);
    for (size_t i = 0; i < 3; ++i) {
        const QColor colour = solid ? linkColour(int(i)) : faint(linkColour(int(i)));
        painter.setPen(QPen(colour, solid ? 6 : 10, Qt::SolidLine, Qt::RoundCap));
        const double r0 = pose.joints[i].r;
        const double r1 = pose.joints[i + 1].r;
        painter.drawLine(f.topPoint(r0 * std::cos(turn), r0 * std::sin(turn)),
                         f.topPoint(r1 * std::cos(turn), r1 * std::sin(turn)));
    }
    if (!solid)
        return;
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawEllipse(f.topCentre, 4, 4);
}

const QPixmap &Background::of(QSizeF size, qreal pixelRatio, const Frame &frame, const arm::ArmGeometry &geometry,
                              const kinematics::JointLimits &limits, const QString &sideCaption,
                              const QString &topCaption)
{
    const QSize pixels = (size * pixelRatio).toSize();
    if (m_picture.size() != pixels) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(pixelRatio);
        QPainter painter(&m_picture);
        painter.setRenderHint(QPainter::Antialiasing);
        drawBackground(painter, frame, geometry, limits, sideCaption, topCaption);
    }
    return m_picture;
}

} // namespace armpicture
