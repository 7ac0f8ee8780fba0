// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QRect>

class QWidget;

namespace uilook {

// Captions are set in SimSun; where it is missing (Linux) a CJK font that is
// known to exist keeps every caption readable.
QFont captionFont();

// How wide Latin letters are set, in percent of their own width: the form's
// buttons were made for two Chinese characters, and the English words are
// longer ("Disconnect" in Command3). Semi-condensed, they fit whole with
// their margins, at the captions' size and height.
constexpr int latinStretch = QFont::SemiCondensed;
// Sets every window's text (the application's font, which the captions take
// their width from) for an interface in Latin letters or not.
void setLatinText(bool latin);

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
