// SPDX-License-Identifier: MIT
#include "language.h"

#include <QSettings>

namespace {

const QString key = QStringLiteral("interface/language");

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("servo-console"),
                     QStringLiteral("servo-console"));
}

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
    return fromCode(settings().value(key).toString()).value_or(Language::Chinese);
}

void language::remember(Language language)
{
    QSettings file = settings();
    file.setValue(key, code(language));
}

Language language::atStartUp(const QString &commandLine)
{
    if (const std::optional<Language> chosen = fromCode(commandLine))
        return *chosen;
    return remembered();
}
