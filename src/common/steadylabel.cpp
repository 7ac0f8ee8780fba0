// SPDX-License-Identifier: MIT
#include "steadylabel.h"

#include <algorithm>

int SteadyLabel::hintWidthFor(int textWidth)
{
    m_widest = std::max(m_widest, textWidth);
    return m_widest;
}
