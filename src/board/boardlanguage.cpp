// SPDX-License-Identifier: MIT
#include "boardlanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

bool load(QCoreApplication &app, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

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
        return load(app, QStringLiteral("servo-board_en"), QStringLiteral(":/i18n")); // src/board/CMakeLists.txt
    // Qt's Chinese texts are a recommended package, not a required one.
    load(app, QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return true;
}
