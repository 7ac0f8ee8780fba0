// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// How a command is spelt on the wire. The program makes every command compact
// ("#5P1500S300"); some boards want a blank between the fields
// ("#5 P1500 S300"). The form is the port's last step before the bytes, so
// everything above it (the twin, the journal of what was sent, the channels'
// limits) reads the compact form.
enum class CommandFormat { Compact, Spaced };

namespace commandformat {

// `command` (one or more lines, each ended by CR or LF) in `format`. Spaced
// puts one blank before every field but the first of a line in the board's
// language: groups #<channel>P<pulse>[S<speed>] and a closing T<time>, with
// digits only and blanks between fields allowed ("#5 P1500 S300 #6 P900 S300
// T1000"). Any other line (a command typed for something else) goes as written.
QString apply(const QString &command, CommandFormat format);

} // namespace commandformat
