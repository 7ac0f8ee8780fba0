// SPDX-License-Identifier: MIT
#pragma once

#include "elidedlabel.h"

// A label for a text that changes often, such as a counter on the status line.
// It asks for the room its widest text so far has needed: a new text that fits
// is only repainted, where a label sized to each text would have the whole
// line around it laid out and repainted again. A wider text widens it once; it
// never narrows, so the texts beside it stay where they are. Given less room
// than that, it ends its text in "…" as every ElidedLabel does.
class SteadyLabel final : public ElidedLabel
{
    Q_OBJECT

public:
    using ElidedLabel::ElidedLabel;

protected:
    int hintWidthFor(int textWidth) override;
    void forgetWidths() override { m_widest = 0; }

private:
    int m_widest = 0;
};
