// SPDX-License-Identifier: MIT
#include "easing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace easing {

namespace {

constexpr double halfPi = std::numbers::pi / 2;

struct Entry {
    Curve curve;
    const char *name;
    double peak;
};

constexpr std::array<Entry, allCurves.size()> entries{{
    {Curve::Linear, "linear", 1},
    {Curve::InSine, "inSine", halfPi},
    {Curve::OutSine, "outSine", halfPi},
    {Curve::InOutSine, "inOutSine", halfPi},
    {Curve::InQuad, "inQuad", 2},
    {Curve::OutQuad, "outQuad", 2},
    {Curve::InOutQuad, "inOutQuad", 2},
    {Curve::InCubic, "inCubic", 3},
    {Curve::OutCubic, "outCubic", 3},
    {Curve::InOutCubic, "inOutCubic", 3},
}};

const Entry &entry(Curve curve)
{
    return entries[size_t(curve)];
}

} // namespace

QString name(Curve curve)
{
    return QString::fromLatin1(entry(curve).name);
}

std::optional<Curve> fromName(QStringView name)
{
    for (const Entry &known : entries) {
        if (name == QLatin1StringView(known.name))
            return known.curve;
    }
    return std::nullopt;
}

double progress(Curve curve, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    const double back = 1 - t;
    switch (curve) {
    case Curve::Linear:
        return t;
    case Curve::InSine:
        return 1 - std::cos(t * halfPi);
    case Curve::OutSine:
        return std::sin(t * halfPi);
    case Curve::InOutSine:
        return (1 - std::cos(t * std::numbers::pi)) / 2;
    case Curve::InQuad:
        return t * t;
    case Curve::OutQuad:
        return 1 - back * back;
    case Curve::InOutQuad:
        return t < 0.5 ? 2 * t * t : 1 - 2 * back * back;
    case Curve::InCubic:
        return t * t * t;
    case Curve::OutCubic:
        return 1 - back * back * back;
    case Curve::InOutCubic:
        return t < 0.5 ? 4 * t * t * t : 1 - 4 * back * back * back;
    }
    return t;
}

double peakSlope(Curve curve)
{
    return entry(curve).peak;
}

} // namespace easing
