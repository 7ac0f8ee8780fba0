// SPDX-License-Identifier: MIT
#include "uilook.h"

#include <QGuiApplication>
#include <QStringList>
#include <QWidget>

namespace uilook {

QFont captionFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC")});
    font.setPointSize(9);
    return font;
}

QFont sequenceFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("Noto Sans Mono CJK SC")});
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    return font;
}

void setLatinText(bool latin)
{
    // Text only (--help, an export): no window, no font.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QFont font = QGuiApplication::font();
    font.setStretch(latin ? latinStretch : QFont::Unstretched);
    QGuiApplication::setFont(font);
}

void place(QWidget &widget, int left, int top, int width, int height)
{
    widget.setGeometry(twips(left, top, width, height));
}

} // namespace uilook
