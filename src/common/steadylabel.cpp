// SPDX-License-Identifier: MIT
#include "steadylabel.h"

#include <QEvent>

SteadyLabel::SteadyLabel(QWidget *parent) : QLabel(parent)
{
    fit(true);
}

void SteadyLabel::showText(const QString &text)
{
    if (text == this->text())
        return;
    // A label of fixed size tells no layout about a new text.
    setText(text);
    fit(false);
}

void SteadyLabel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    // Another font or style measures every text afresh.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fit(true);
}

void SteadyLabel::fit(bool anew)
{
    const QSize needed = sizeHint();
    const int width = anew ? needed.width() : qMax(needed.width(), minimumWidth());
    if (width != minimumWidth() || needed.height() != minimumHeight())
        setFixedSize(width, needed.height());
}
