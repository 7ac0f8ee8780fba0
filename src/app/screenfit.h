// SPDX-License-Identifier: MIT
#pragma once

#include <QMargins>
#include <QRect>

class QWidget;

// Keeps a top-level window's frame on its screen. Once the window manager has
// framed `window`, a frame that reaches past the screen's free area is fitted
// in with fitFrameInto(). A window whose frame fits is left exactly as it is.
// Later moves by the operator are theirs.
void keepFrameOnScreen(QWidget &window, QWidget &client);

// Fits `window`, framed by `frame`, into `available`. `client` is the fixed
// layout inside the window's scroll area: where the screen is short of it,
// its controls are drawn that much closer together (geometry only, never
// below minimumScale), so that every caption and the bottom row stay in
// sight; what is still too large scrolls. The window then stands at the free
// area's top left.
void fitFrameInto(QWidget &window, QWidget &client, const QRect &available, const QMargins &frame);

constexpr double minimumScale = 0.85;
