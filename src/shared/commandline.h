// SPDX-License-Identifier: MIT
#pragma once

#include <functional>

class QCommandLineParser;

namespace commandline {

// Adds a program's options, its help and version options among them, to a parser.
using Options = std::function<void(QCommandLineParser &)>;

// Whether the command line asks only for the help or the version, which print
// text and end the program, so that no window system is needed. Read before any
// application object exists. Anything else is left to the window application,
// which reads it as it always has: --help-all (the window-system options it
// lists come with that application), and a command line that does not parse
// against the program's own options (an unknown option, or one of Qt's
// window-system options such as -platform).
bool asksOnlyForText(int argc, char *argv[], const Options &options);

} // namespace commandline
