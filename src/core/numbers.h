// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QStringView>

#include <optional>

// The two ways this program reads numbers that the operator typed.
//
// Lenient: the number at the start of the text, the way channel boxes, sequence
// line intervals and port names are read. Blanks anywhere are skipped, an
// optional sign, digits, an optional fraction after a point; reading stops at the
// first character that cannot continue the number; no number at all reads as 0.
//
// Strict: the whole text (apart from surrounding blanks) must be one number with
// the locale's decimal separator, or it is refused.
//
// Both then go to a 16-bit signed integer, halves to the even neighbour; a value
// outside -32768..32767 is refused.
namespace numbers {

double readLenient(QStringView text);
std::optional<double> readStrict(QStringView text, const QLocale &locale = QLocale());

std::optional<qint16> toInt16(double value);

inline std::optional<qint16> lenientInt16(QStringView text)
{
    return toInt16(readLenient(text));
}
inline std::optional<qint16> strictInt16(QStringView text, const QLocale &locale = QLocale())
{
    const auto value = readStrict(text, locale);
    return value ? toInt16(*value) : std::nullopt;
}

} // namespace numbers
