// SPDX-License-Identifier: MIT
#pragma once

// Virtual boards (servo-board) that are running now. Each registers itself
// with a lock file named after its port, COM<n>.lock, in the folder
// servo-board/ of the user's runtime folder ($XDG_RUNTIME_DIR), and holds the
// lock while it runs. A board that ended without removing its file (killed)
// no longer holds the lock, so its file is ignored.

#include <QList>
#include <QString>

namespace virtualboards {

// The folder the boards register in.
QString registrationFolder();

// The lock file of the board on port number `portNumber`.
QString lockFilePath(int portNumber);

// Port numbers of the boards running now, lowest first.
QList<int> runningPorts();

// The port list entry of a virtual board: "COM1003 (虚拟舵机板)".
QString displayName(int portNumber);

} // namespace virtualboards
