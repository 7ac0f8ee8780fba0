// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QVariant>

// The program's settings file: an INI file in the user's configuration folder,
// holding the recent files and the interface language.
namespace programsettings {

QVariant value(const QString &key);
// Stores `value` under `key` at once. The file names the operator's files, so
// it is the operator's alone (0600).
void setValue(const QString &key, const QVariant &value);
QString path();

} // namespace programsettings
