// SPDX-License-Identifier: MIT
#include "terminationsignals.h"

// Windows ends a windowed program by closing its windows, which already goes
// through the window's close: there is nothing more to watch for.
TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) { }

TerminationSignals::~TerminationSignals() = default;
