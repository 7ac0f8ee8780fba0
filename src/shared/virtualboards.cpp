// SPDX-License-Identifier: MIT
#include "virtualboards.h"

#include <QCoreApplication>
#include <QDir>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace virtualboards {

QString registrationFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/servo-board");
}

QString lockFilePath(int portNumber)
{
    return registrationFolder() + QStringLiteral("/COM%1.lock").arg(portNumber);
}

QList<int> runningPorts()
{
    static const QRegularExpression name(QStringLiteral("^COM(\\d+)\\.lock$"));
    QList<int> ports;
    const QStringList files = QDir(registrationFolder()).entryList({QStringLiteral("COM*.lock")}, QDir::Files);
    for (const QString &file : files) {
        const QRegularExpressionMatch match = name.match(file);
        if (!match.hasMatch())
            continue;
        // Taking the lock succeeds only when no live board holds it; a taken
        // lock is given back at once, which also clears a killed board's file.
        QLockFile lock(registrationFolder() + u'/' + file);
        lock.setStaleLockTime(0);
        if (lock.tryLock(0)) {
            lock.unlock();
            continue;
        }
        if (lock.error() == QLockFile::LockFailedError)
            ports.append(match.captured(1).toInt());
    }
    std::sort(ports.begin(), ports.end());
    return ports;
}

QString displayName(int portNumber)
{
    return QCoreApplication::translate("VirtualBoards", "COM%1 (虚拟舵机板)").arg(portNumber);
}

} // namespace virtualboards
