#pragma once

#include <QString>
#include <QStringList>

class QCoreApplication;

// Qt's own texts (standard buttons, context menus, file dialogs, command-line
// help) in Simplified Chinese, whatever the machine's language: the catalogues
// that Qt ships, on Debian in the package qt6-translations-l10n.
namespace translations {

// Qt's translations folder.
QString qtFolder();

// Installs the Simplified-Chinese catalogues found in `folder` on `app` and
// returns the names of those loaded. Without them nothing is installed and Qt
// speaks English, as without this call.
QStringList installChinese(QCoreApplication &app, const QString &folder = qtFolder());

} // namespace translations
