// SPDX-License-Identifier: MIT
#include "uilook.h"

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

void place(QWidget &widget, int left, int top, int width, int height)
{
    widget.setGeometry(twips(left, top, width, height));
}

} // namespace uilook
