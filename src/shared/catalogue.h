// SPDX-License-Identifier: MIT
#pragma once

class QCoreApplication;
class QString;

namespace catalogue {

// Installs the translation catalogue `name` from `folder` for the rest of the
// program's life; false, and nothing installed, when it cannot be read.
bool install(QCoreApplication &app, const QString &name, const QString &folder);

} // namespace catalogue
