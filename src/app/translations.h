// SPDX-License-Identifier: MIT
#pragma once

#include "core/language.h"

#include <QString>
#include <QStringList>

class QCoreApplication;

// The interface's language. Our texts are written in Simplified Chinese; Qt's own
// (standard buttons, context menus, file dialogs, command-line help) follow them
// through the catalogues that Qt ships, on Debian in qt6-translations-l10n,
// whatever the machine's language. English comes from our own catalogue.
namespace translations {

// Qt's translations folder.
QString qtFolder();

// Installs the Simplified-Chinese catalogues found in `folder` on `app` and
// returns the names of those loaded. Without them nothing is installed and Qt
// speaks English, as without this call.
QStringList installChinese(QCoreApplication &app, const QString &folder = qtFolder());

// Installs the catalogues of `language` on `app` and returns the names of those
// loaded: Qt's Chinese ones for Chinese (our texts are written in Chinese), our
// English catalogue, built into the program, for English (Qt's texts are English).
// English text is set semi-condensed (uilook::setLatinText), before any window.
QStringList install(QCoreApplication &app, Language language, const QString &folder = qtFolder());

// The language installed last; Chinese before any install().
Language installed();

// `source`, one of our texts in `context` (a class of ours), in `language`
// whatever language is installed: what is said to an operator who has just
// chosen a language is said in that one. Our own text where the catalogue
// has no translation.
QString translate(Language language, const char *context, const char *source);

} // namespace translations
