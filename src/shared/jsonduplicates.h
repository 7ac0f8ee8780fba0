// SPDX-License-Identifier: MIT
#pragma once

// QJsonDocument keeps one of two members of an object with the same key (the
// last) and says nothing: a file with channel "5" twice would lose the limits
// of the first without a word. This finds them.

#include <QByteArrayView>
#include <QStringList>

namespace jsonduplicates {

// Each key that occurs more than once in one object of `json`, once, with the
// keys that lead to it joined by dots ("channels.5", "channels.5.min"; an
// array's items by their index), in the order of their second occurrence.
// `json` must be JSON that QJsonDocument reads without error; the scan checks
// nothing else.
QStringList find(QByteArrayView json);

} // namespace jsonduplicates
