// SPDX-License-Identifier: MIT
#pragma once

// The one drawing of the arm, for every view that shows it (the workspace's,
// the virtual board's): from the side in the arm's own plane, and from above,
// each point where the shared kinematics put it for the profile's links and
// calibration. Painting only; the views add what is theirs (dragging, the
// target arm, the joints' list).

#include "shared/armgeometry.h"
#include "shared/kinematics.h"

#include <QColor>
#include <QPixmap>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <optional>

class QPainter;

namespace armpicture {

// Where the two views stand in an area, and at what scale.
struct Frame {
    QRectF side;
    QRectF top;
    double sideScale = 1; // px per mm
    double topScale = 1;
    QPointF sideOrigin; // where the base's axis meets the floor
    QPointF topCentre;

    QPointF sidePoint(const kinematics::PlanePoint &point) const;
    QPointF topPoint(double x, double y) const;
    // The point of the arm's plane (mm) drawn at `point`.
    kinematics::PlanePoint sideWorld(QPointF point) const;
};

// The views in an area of `size`: room for the whole reach in any pose,
// behind the base and below the floor included.
Frame frame(const arm::Links &links, QSizeF size);

inline constexpr double margin = 12; // px around each view

// The colours of the upper arm, the forearm and the hand.
QColor linkColour(int link);
QColor faint(QColor colour);

// What depends on the area and the arm alone: the floor, the base's column,
// the captions, the reach seen from above with the base's range.
void drawBackground(QPainter &painter, const Frame &frame, const arm::ArmGeometry &geometry,
                    const kinematics::JointLimits &limits, const QString &sideCaption, const QString &topCaption);

// drawBackground's picture, kept for the view's size: drawn again only after a
// change of size or forget() (another arm, font or language).
class Background
{
public:
    void forget() { m_picture = {}; }
    const QPixmap &of(QSizeF size, qreal pixelRatio, const Frame &frame, const arm::ArmGeometry &geometry,
                      const kinematics::JointLimits &limits, const QString &sideCaption, const QString &topCaption);

private:
    QPixmap m_picture;
};

// The sector of the floor the base's range lets the arm turn over.
void drawBaseRange(QPainter &painter, const Frame &frame, const arm::ArmGeometry &geometry,
                   const kinematics::JointLimits &limits);
QRectF reachDisc(const Frame &frame, const arm::Links &links);

// Each joint's range as an arc around it, from the link before it as `pose`
// holds it; `refused` drawn stronger.
void drawRanges(QPainter &painter, const Frame &frame, const arm::ArmGeometry &geometry,
                const kinematics::JointLimits &limits, const kinematics::ArmPose &pose,
                std::optional<arm::Joint> refused = std::nullopt);

enum class Style {
    Solid, // where the arm is
    Faint, // where it is asked to go
};
// The arm's links and, solid, its joints: from the side, and from above.
void drawSide(QPainter &painter, const Frame &frame, const kinematics::ArmPose &pose, Style style);
void drawTop(QPainter &painter, const Frame &frame, const kinematics::ArmPose &pose, Style style);

} // namespace armpicture
