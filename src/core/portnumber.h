// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// The port number that the port box text names: the first three characters (the
// letters COM) are dropped and the rest is read leniently, so "COM12" and
// "COM33 (ttyUSB0)" give 12 and 33, and "COM" gives 0. A text shorter than three
// characters, or a number outside 16 bits, names no port.
std::optional<int> portNumberFromText(const QString &text);
