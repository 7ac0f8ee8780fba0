// SPDX-License-Identifier: MIT
#include "catalogue.h"

#include <QCoreApplication>
#include <QTranslator>

bool catalogue::install(QCoreApplication &app, const QString &name, const QString &folder)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(name, folder) && QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}
