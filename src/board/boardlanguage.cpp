// SPDX-License-Identifier: MIT
#include "boardlanguage.h"

#include "shared/catalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>

std::optional<boardlanguage::Language> boardlanguage::fromCode(const QString &code)
{
    if (code == u"zh")
        return Language::Chinese;
    if (code == u"en")
        return Language::English;
    return std::nullopt;
}

bool boardlanguage::install(QCoreApplication &app, Language language)
{
    if (language == Language::English)
        return catalogue::install(app, QStringLiteral("servo-board_en"),
                                  QStringLiteral(":/i18n")); // src/board/CMakeLists.txt
    // Qt's Chinese texts are a recommended package, not a required one.
    catalogue::install(app, QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
}
