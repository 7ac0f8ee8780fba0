// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace uilook {

// Captions are set in SimSun; where it is missing (Linux) a CJK font that is
// known to exist keeps every caption readable.
QFont captionFont();

// The sequence: SimSun's Latin letters are all one width, so the columns of the
// sequence lines line up; the fallback is the monospaced member of the same
// CJK family.
QFont sequenceFont();

// Window geometry is given in twips, 15 to a pixel.
constexpr int px(int twips)
{
    return twips / 15;
}
constexpr QRect twips(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

// Places `widget` at a rectangle given in twips.
void place(QWidget &widget, int left, int top, int width, int height);

} // namespace uilook
