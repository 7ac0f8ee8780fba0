// SPDX-License-Identifier: MIT
#include "keypad.h"

namespace keypad {

std::optional<TipStep> step(int key, Qt::KeyboardModifiers modifiers)
{
    // The keypad's arrows are arrows too.
    if (modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return std::nullopt;
    const double mm = modifiers & Qt::ShiftModifier ? stepMm * bigShift : stepMm;
    const double degrees = modifiers & Qt::ShiftModifier ? stepDegrees * bigShift : stepDegrees;
    switch (key) {
    case Qt::Key_Up:
        return TipStep{mm, 0, 0, 0};
    case Qt::Key_Down:
        return TipStep{-mm, 0, 0, 0};
    case Qt::Key_Left:
        return TipStep{0, mm, 0, 0};
    case Qt::Key_Right:
        return TipStep{0, -mm, 0, 0};
    case Qt::Key_PageUp:
        return TipStep{0, 0, mm, 0};
    case Qt::Key_PageDown:
        return TipStep{0, 0, -mm, 0};
    case Qt::Key_Home:
        return TipStep{0, 0, 0, degrees};
    case Qt::Key_End:
        return TipStep{0, 0, 0, -degrees};
    default:
        return std::nullopt;
    }
}

} // namespace keypad
