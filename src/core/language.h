// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

#include <optional>

// The language of the interface. Chinese unless the operator chose English,
// whatever the machine's locale.
enum class Language { Chinese, English };

namespace language {

// "zh" or "en", as --language takes them; nothing for any other word.
std::optional<Language> fromCode(const QString &code);
QString code(Language language);

// The operator's choice kept in the program's settings file; Chinese when none was made.
Language remembered();
void remember(Language language);

// The language to start in: --language when given, else the remembered choice.
// `commandLine` is the value of --language, empty when it was not given.
Language atStartUp(const QString &commandLine);

} // namespace language
