// SPDX-License-Identifier: MIT
#include "elidedlabel.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QtMath>
#include <QPainter>
#include <QStyle>

#include <algorithm>

namespace {

constexpr QChar ellipsis(0x2026);

// The text on one line: a reason from the system may hold a line break.
QString oneLine(QString text)
{
    return text.replace(u'\n', u' ');
}

} // namespace

ElidedLabel::ElidedLabel(QWidget *parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    refit();
    showToolTip();
    update();
}

void ElidedLabel::setDetail(const QString &detail)
{
    m_detail = detail;
    showToolTip();
}

QString ElidedLabel::shownText() const
{
    const QString line = oneLine(m_text);
    const int room = contentsRect().width();
    // Measured as the layout was told: elidedText's own sums of fractional
    // advances may cut a text given exactly its rounded width.
    if (textWidth() <= room)
        return line;
    const QString elided = fontMetrics().elidedText(line, Qt::ElideRight, room);
    return elided.isEmpty() ? QString(ellipsis) : elided;
}

bool ElidedLabel::isElided() const
{
    return shownText() != oneLine(m_text);
}

int ElidedLabel::textWidth() const
{
    return advance(oneLine(m_text));
}

int ElidedLabel::advance(const QString &text) const
{
    return qCeil(QFontMetricsF(font()).horizontalAdvance(text));
}

QSize ElidedLabel::sizeHint() const
{
    const QMargins margins = contentsMargins();
    return {m_hintWidth + margins.left() + margins.right(), fontMetrics().height() + margins.top() + margins.bottom()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QMargins margins = contentsMargins();
    const int least = m_text.isEmpty() ? 0 : advance(QString(ellipsis));
    return {std::min(least, m_hintWidth) + margins.left() + margins.right(), sizeHint().height()};
}

void ElidedLabel::refit()
{
    const int width = hintWidthFor(textWidth());
    if (width == m_hintWidth)
        return;
    // Only a new width concerns the layout: a text that fits is only repainted.
    m_hintWidth = width;
    updateGeometry();
}

void ElidedLabel::showToolTip()
{
    if (!isElided())
        setToolTip(m_detail);
    else if (m_detail.isEmpty())
        setToolTip(m_text);
    else
        setToolTip(m_text + u'\n' + m_detail);
}

void ElidedLabel::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          shownText(), foregroundRole());
}

void ElidedLabel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    showToolTip();
}

void ElidedLabel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Another font or style measures the text afresh.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        forgetWidths();
        m_hintWidth = hintWidthFor(textWidth());
        updateGeometry();
        showToolTip();
    }
}
