#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace translations {

namespace {

// qtbase holds the texts of widgets, dialogs and message boxes; qtserialport
// the serial port's error reasons.
constexpr const char *catalogues[] = {"qtbase_zh_CN", "qtserialport_zh_CN"};

} // namespace

QString qtFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

QStringList installChinese(QCoreApplication &app, const QString &folder)
{
    QStringList loaded;
    for (const char *name : catalogues) {
        auto *translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(name), folder) && QCoreApplication::installTranslator(translator)) {
            loaded.append(QString::fromLatin1(name));
        } else {
            delete translator;
        }
    }
    return loaded;
}

} // namespace translations
