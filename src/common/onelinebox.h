// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QLineEdit;

// Makes a one-line box take what a one-line box is for: a line of text. C0
// control characters (U+0000 to U+001F: CR, LF, tab, NUL, ESC, ...) and DEL are
// stripped on entry, whichever way they come (typed, pasted, dropped, set from
// code), so a pasted "300\r#0P2500S300" can never end one command and start
// another on the wire. Qt's default cut at 32,767 characters is lifted.
//
// Ordinary typing raises textChanged exactly as before; a text that had
// controls stripped raises it once, with the stripped text.
void configureOneLineBox(QLineEdit &box);

// Bounds a box made by configureOneLineBox to `characters`. Typing or pasting
// that would make the text longer is refused whole: the text stays as it was,
// and a warning mark in the box carries `reason` (shown at once as a tool tip)
// until the next accepted edit. A text already longer (after the bound was
// lowered) can still be shortened. A text set from code past the bound is taken
// as it is.
void limitOneLineBox(QLineEdit &box, qsizetype characters, const QString &reason);
