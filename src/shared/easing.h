// SPDX-License-Identifier: MIT
#pragma once

// How a move gets from where a joint is to where it is sent: the board ramps
// in a straight line at one speed (linear), which jerks the arm at both ends of
// a move; the other curves start and/or end gently. A curve maps the share of
// the move's time gone (0..1) to the share of its way done (0..1).
//
// The names are those the arm profile and the exported program use.

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

namespace easing {

enum class Curve { Linear, InSine, OutSine, InOutSine, InQuad, OutQuad, InOutQuad, InCubic, OutCubic, InOutCubic };

inline constexpr std::array allCurves{Curve::Linear,   Curve::InSine,    Curve::OutSine,   Curve::InOutSine,
                                      Curve::InQuad,   Curve::OutQuad,   Curve::InOutQuad, Curve::InCubic,
                                      Curve::OutCubic, Curve::InOutCubic};

// The time of one step of an eased move the program sends, in ms, unless the
// profile says otherwise, and the range it may say.
inline constexpr int defaultStepMs = 20;
inline constexpr int leastStepMs = 10;
inline constexpr int mostStepMs = 1000;

// "linear", "inOutSine", ...
QString name(Curve curve);
std::optional<Curve> fromName(QStringView name);

// The share of the way done when `t` of the time has gone; `t` is held to 0..1.
double progress(Curve curve, double t);

// The steepest the curve gets: how many times the average speed its fastest
// moment needs (1 for linear, π/2 for the sines, 2 for the quads, 3 for the
// cubics).
double peakSlope(Curve curve);

} // namespace easing
