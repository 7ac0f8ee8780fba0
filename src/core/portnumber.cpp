// SPDX-License-Identifier: MIT
#include "portnumber.h"

#include "core/numbers.h"

std::optional<int> portNumberFromText(const QString &text)
{
    if (text.size() < 3)
        return std::nullopt;
    const auto number = numbers::lenientInt16(QStringView(text).mid(3));
    return number ? std::optional<int>(*number) : std::nullopt;
}
