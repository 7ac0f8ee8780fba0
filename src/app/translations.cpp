// SPDX-License-Identifier: MIT
#include "translations.h"

#include "common/uilook.h"
#include "shared/catalogue.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace translations {

namespace {

// qtbase holds the texts of widgets, dialogs and message boxes; qtserialport
// the serial port's error reasons.
constexpr const char *catalogues[] = {"qtbase_zh_CN", "qtserialport_zh_CN"};

// Built into the program as a resource (src/CMakeLists.txt).
constexpr const char *english = "servo-console_en";
const QString englishFolder = QStringLiteral(":/i18n");

Language current = Language::Chinese;

} // namespace

QString qtFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QStringList installChinese(QCoreApplication &app, const QString &folder)
{
    QStringList loaded;
    for (const char *name : catalogues) {
        if (catalogue::install(app, QString::fromLatin1(name), folder))
            loaded.append(QString::fromLatin1(name));
    }
    return loaded;
}

QStringList install(QCoreApplication &app, Language language, const QString &folder)
{
    current = language;
    uilook::setLatinText(language == Language::English);
    if (language == Language::Chinese)
        return installChinese(app, folder);
    if (catalogue::install(app, QString::fromLatin1(english), englishFolder))
        return {QString::fromLatin1(english)};
    return {};
}

Language installed()
{
    return current;
}

QString translate(Language language, const char *context, const char *source)
{
    // A catalogue of its own, never installed: the running interface keeps
    // its language.
    QTranslator catalogue;
    if (language == Language::English && catalogue.load(QString::fromLatin1(english), englishFolder)) {
        if (const QString translated = catalogue.translate(context, source); !translated.isEmpty())
            return translated;
    }
    return QString::fromUtf8(source);
}

} // namespace translations
