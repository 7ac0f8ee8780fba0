// SPDX-License-Identifier: MIT
#include "programsettings.h"

#include <QFile>
#include <QSettings>

namespace {

QSettings open()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("servo-console"),
                     QStringLiteral("servo-console"));
}

} // namespace

QVariant programsettings::value(const QString &key)
{
    return open().value(key);
}

void programsettings::setValue(const QString &key, const QVariant &value)
{
    QSettings stored = open();
    stored.setValue(key, value);
    stored.sync();
    QFile::setPermissions(stored.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString programsettings::path()
{
    return open().fileName();
}
