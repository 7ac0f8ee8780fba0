// SPDX-License-Identifier: MIT
#pragma once

#include <QStringView>

// Where the fields of a sequence line stand: "Time", the interval in a field of
// five characters (characters 5 to 9), a blank, then the command from
// character 11 to the end of the line. Positions count from 0.
namespace lineformat {

inline constexpr QStringView timeWord = u"Time";
inline constexpr qsizetype intervalStart = 4;
inline constexpr qsizetype intervalField = 5;
inline constexpr qsizetype commandStart = intervalStart + intervalField + 1;

} // namespace lineformat
