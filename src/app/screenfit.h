// SPDX-License-Identifier: MIT
#pragma once

class QWidget;

// Keeps a top-level window's frame on its screen. Once the window manager has
// framed `window`, a frame that reaches past the screen's free area is moved
// into it and the window made as much shorter and narrower as needed, with
// `keepInView` (a child of the window, inside a scroll area) scrolled into
// sight. A window whose frame fits is left exactly as it is. Later moves by
// the operator are theirs.
void keepFrameOnScreen(QWidget &window, QWidget *keepInView = nullptr);
