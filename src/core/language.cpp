// SPDX-License-Identifier: MIT
#include "language.h"

#include "programsettings.h"

namespace {

const QString key = QStringLiteral("interface/language");

} // namespace

std::optional<Language> language::fromCode(const QString &code)
{
    if (code == u"zh")
        return Language::Chinese;
    if (code == u"en")
        return Language::English;
    return std::nullopt;
}

QString language::code(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("zh");
}

Language language::remembered()
{
    return fromCode(programsettings::value(key).toString()).value_or(Language::Chinese);
}

void language::remember(Language language)
{
    programsettings::setValue(key, code(language));
}

Language language::atStartUp(const QString &commandLine)
{
    if (const std::optional<Language> chosen = fromCode(commandLine))
        return *chosen;
    return remembered();
}
