// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

class QCoreApplication;

// The board's interface language, chosen as the console's is (--language zh|en),
// so that the board beside the console speaks as it does. The texts are written
// in Simplified Chinese; English comes from the board's own catalogue, built
// into the program.
namespace boardlanguage {

enum class Language { Chinese, English };

// "zh" or "en"; nothing for any other word.
std::optional<Language> fromCode(const QString &code);

// Installs the catalogues of `language` on `app`: for Chinese, Qt's own in
// Chinese when the system has them (the context menus of the window's fields);
// for English, the board's. False when the English catalogue is missing.
bool install(QCoreApplication &app, Language language);

} // namespace boardlanguage
