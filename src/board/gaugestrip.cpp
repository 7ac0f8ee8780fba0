// SPDX-License-Identifier: MIT
#include "gaugestrip.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

GaugeStrip::GaugeStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("gauges"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(120);
}

void GaugeStrip::setChannels(const Channels &channels)
{
    if (channels == m_channels)
        return;
    m_channels = channels;
    update();
}

void GaugeStrip::setNames(const std::array<QString, boardcommand::channelCount> &names)
{
    m_names = names;
    update();
}

bool GaugeStrip::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const int k = std::clamp(int(help->pos().x() * boardcommand::channelCount / std::max(1, width())), 0,
                             boardcommand::channelCount - 1);
    const QString &name = m_names[size_t(k)];
    if (name.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tr("%1 · 通道 #%2").arg(name).arg(k), this);
    return true;
}

void GaugeStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    const double columnWidth = double(width()) / boardcommand::channelCount;
    const double labelHeight = QFontMetricsF(font()).height() + 2;
    const double top = 4;
    const double bottom = height() - labelHeight;
    const double span = bottom - top;
    const auto yOf = [&](double pulse) {
        const double share = (pulse - boardcommand::minPulse) / double(boardcommand::maxPulse - boardcommand::minPulse);
        return bottom - std::clamp(share, 0.0, 1.0) * span;
    };
    for (int k = 0; k < boardcommand::channelCount; ++k) {
        const Channel &channel = m_channels[size_t(k)];
        const QRectF gauge(k * columnWidth + columnWidth * 0.2, top, columnWidth * 0.6, span);
        p.setPen(QColor(160, 160, 160));
        p.setBrush(Qt::white);
        p.drawRect(gauge);
        p.setPen(Qt::NoPen);
        p.setBrush(channel.commanded ? QColor(52, 101, 164) : QColor(200, 200, 200));
        p.drawRect(QRectF(QPointF(gauge.left(), yOf(channel.current)), gauge.bottomRight()));
        if (channel.commanded) {
            p.setPen(QPen(QColor(204, 0, 0), 2));
            const double y = yOf(channel.target);
            p.drawLine(QPointF(gauge.left() - 2, y), QPointF(gauge.right() + 2, y));
        }
        p.setPen(palette().windowText().color());
        p.drawText(QRectF(k * columnWidth, bottom, columnWidth, labelHeight), Qt::AlignCenter, QString::number(k));
        if (!m_names[size_t(k)].isEmpty()) {
            // The name's first character at the gauge's top; the tooltip has the whole.
            p.drawText(QRectF(k * columnWidth, top, columnWidth, labelHeight), Qt::AlignCenter,
                       m_names[size_t(k)].left(1));
        }
    }
}
