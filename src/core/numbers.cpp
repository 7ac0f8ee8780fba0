// SPDX-License-Identifier: MIT
#include "numbers.h"

#include <cfenv>
#include <cmath>

namespace numbers {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

} // namespace

double readLenient(QStringView text)
{
    QString number;
    bool seenDigit = false;
    bool seenPoint = false;
    for (const QChar c : text) {
        if (isBlank(c))
            continue;
        if ((c == u'+' || c == u'-') && number.isEmpty()) {
            number += c;
        } else if (c.isDigit() && c.unicode() < 128) {
            number += c;
            seenDigit = true;
        } else if (c == u'.' && !seenPoint) {
            number += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0.0;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    // Too large for a double is still a number: infinity, refused as out of range.
    return ok || std::isinf(value) ? value : 0.0;
}

std::optional<double> readStrict(QStringView text, const QLocale &locale)
{
    const QStringView trimmed = text.trimmed();
    const QString point = locale.decimalPoint();
    qsizetype i = 0;
    QString number;
    if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-'))
        number += trimmed[i++];
    bool seenDigit = false;
    bool seenPoint = false;
    while (i < trimmed.size()) {
        const QChar c = trimmed[i];
        if (c.isDigit() && c.unicode() < 128) {
            number += c;
            seenDigit = true;
            ++i;
        } else if (!seenPoint && trimmed.mid(i).startsWith(point)) {
            number += u'.';
            seenPoint = true;
            i += point.size();
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(number, &ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // The default floating-point rounding mode rounds halves to even.
    Q_ASSERT(std::fegetround() == FE_TONEAREST);
    const double rounded = std::nearbyint(value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

} // namespace numbers
