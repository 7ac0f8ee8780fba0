// SPDX-License-Identifier: MIT
#include "boardarmview.h"

#include "drawing/armpicture.h"

#include <QEvent>
#include <QPainter>

BoardArmView::BoardArmView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("armView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(360, 240);
    m_pulses.fill(motion::restPulse);
}

QString BoardArmView::jointName(int joint)
{
    static const char *const names[jointCount] = {QT_TR_NOOP("底座旋转"), QT_TR_NOOP("肩部"),     QT_TR_NOOP("肘部"),
                                                  QT_TR_NOOP("腕部"),     QT_TR_NOOP("腕部旋转"), QT_TR_NOOP("夹爪")};
    return tr(names[joint]);
}

void BoardArmView::setArm(const arm::ArmGeometry &geometry, const kinematics::JointLimits &limits)
{
    if (geometry == m_geometry && limits == m_limits)
        return;
    m_geometry = geometry;
    m_limits = limits;
    m_background.forget();
    update();
}

void BoardArmView::setPulses(const Pulses &pulses)
{
    if (pulses == m_pulses)
        return;
    m_pulses = pulses;
    update();
}

QPointF BoardArmView::tipOnScreen() const
{
    return armpicture::frame(m_geometry.links, size()).sidePoint(kinematics::forward(m_geometry, m_pulses).joints[3]);
}

void BoardArmView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange)
        m_background.forget();
}

void BoardArmView::paintEvent(QPaintEvent *)
{
    ++m_frames;
    const armpicture::Frame frame = armpicture::frame(m_geometry.links, size());
    QPainter painter(this);
    painter.drawPixmap(
        0, 0, m_background.of(size(), devicePixelRatioF(), frame, m_geometry, m_limits, tr("侧视"), tr("俯视")));
    painter.setRenderHint(QPainter::Antialiasing);
    const kinematics::ArmPose pose = kinematics::forward(m_geometry, m_pulses);
    armpicture::drawRanges(painter, frame, m_geometry, m_limits, pose);
    armpicture::drawSide(painter, frame, pose, armpicture::Style::Solid);
    armpicture::drawTop(painter, frame, pose, armpicture::Style::Solid);

    // Joint list: name, channel, angle.
    painter.setPen(QColor(30, 30, 30));
    const double lineHeight = QFontMetricsF(font()).height();
    for (int i = 0; i < jointCount; ++i) {
        const double degrees = m_geometry.calibration[size_t(i)].degrees(m_pulses[size_t(i)]);
        const QString text =
            QStringLiteral("%1 #%2 %3°").arg(jointName(i)).arg(m_geometry.channels[size_t(i)]).arg(degrees, 0, 'f', 0);
        painter.drawText(QPointF(armpicture::margin / 2, 4 + lineHeight * (i + 2)), text);
    }
}
