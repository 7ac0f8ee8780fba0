// SPDX-License-Identifier: MIT
#include "armview.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace {

double radians(double deg)
{
    return deg * std::numbers::pi / 180.0;
}

} // namespace

QString ArmView::jointName(int joint)
{
    static const char *const names[jointCount] = {QT_TR_NOOP("底座旋转"), QT_TR_NOOP("肩部"),     QT_TR_NOOP("肘部"),
                                                  QT_TR_NOOP("腕部"),     QT_TR_NOOP("腕部旋转"), QT_TR_NOOP("夹爪")};
    return tr(names[joint]);
}

ArmView::ArmView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("armView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(300, 260);
}

void ArmView::setPulses(const Pulses &pulses)
{
    if (pulses == m_pulses)
        return;
    m_pulses = pulses;
    update();
}

void ArmView::setChannels(const std::array<int, jointCount> &channels)
{
    m_channels = channels;
    update();
}

void ArmView::setCalibration(const std::array<arm::Calibration, jointCount> &calibration)
{
    m_calibration = calibration;
    update();
}

double ArmView::degrees(int joint) const
{
    return m_calibration[size_t(joint)].degrees(m_pulses[size_t(joint)]);
}

void ArmView::paintEvent(QPaintEvent *)
{
    ++m_frames;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(246, 247, 250));

    const double w = width();
    const double h = height();
    const double scale = std::min(w / 360.0, h / 320.0);
    const QPointF ground(w * 0.42, h - 24 * scale);

    // Floor and base.
    p.setPen(QPen(QColor(150, 150, 150), 1));
    p.drawLine(QPointF(0, ground.y()), QPointF(w, ground.y()));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 96, 110));
    p.drawRoundedRect(QRectF(ground.x() - 34 * scale, ground.y() - 22 * scale, 68 * scale, 22 * scale), 4, 4);

    // Seen from the side, the arm's reach shrinks as the base turns away.
    const double baseTurn = degrees(0);
    const double reach = std::cos(radians(baseTurn));
    const double lengths[3] = {100 * scale, 85 * scale, 38 * scale};
    double heading = 90; // straight up at rest
    QPointF joint(ground.x(), ground.y() - 30 * scale);
    QList<QPointF> joints{joint};
    for (int i = 0; i < 3; ++i) {
        heading -= degrees(i + 1);
        joint += QPointF(lengths[i] * std::cos(radians(heading)) * reach, -lengths[i] * std::sin(radians(heading)));
        joints.append(joint);
    }
    p.setBrush(Qt::NoBrush);
    const QColor linkColours[3] = {QColor(52, 101, 164), QColor(78, 154, 6), QColor(196, 120, 0)};
    for (int i = 0; i < 3; ++i) {
        p.setPen(QPen(linkColours[i], 12 * scale, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(joints[i], joints[i + 1]);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    for (const QPointF &point : joints)
        p.drawEllipse(point, 5 * scale, 5 * scale);

    // Gripper: two jaws opened by the gripper servo, foreshortened by the wrist turn.
    const double open = (std::clamp(degrees(5), -90.0, 90.0) + 90) / 180.0; // 0 closed .. 1 open
    const double spread = (4 + 16 * open) * scale * std::abs(std::cos(radians(degrees(4)))) + 2 * scale;
    const QPointF tip = joints[3];
    const QPointF along(std::cos(radians(heading)) * reach, -std::sin(radians(heading)));
    const QPointF across(-along.y(), along.x());
    p.setPen(QPen(QColor(164, 0, 0), 5 * scale, Qt::SolidLine, Qt::RoundCap));
    for (const double side : {-1.0, 1.0}) {
        const QPointF root = tip + across * side * spread;
        p.drawLine(tip, root);
        p.drawLine(root, root + along * 26 * scale);
    }

    // Base turn dial, seen from above.
    const QPointF dial(w - 42 * scale, 42 * scale);
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.setBrush(Qt::white);
    p.drawEllipse(dial, 28 * scale, 28 * scale);
    p.setPen(QPen(linkColours[0], 4 * scale, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial, dial + QPointF(std::cos(radians(baseTurn)), -std::sin(radians(baseTurn))) * 24 * scale);

    // Joint list: name, channel, angle.
    p.setPen(QColor(30, 30, 30));
    const double lineHeight = QFontMetricsF(font()).height();
    for (int i = 0; i < jointCount; ++i) {
        const QString text =
            QStringLiteral("%1 #%2 %3°").arg(jointName(i)).arg(m_channels[size_t(i)]).arg(degrees(i), 0, 'f', 0);
        p.drawText(QPointF(6, 4 + lineHeight * (i + 1)), text);
    }
}
