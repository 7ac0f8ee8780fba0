// SPDX-License-Identifier: MIT
#include "sequencelocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtDebug>

namespace sequencelocation {

namespace {

const QString fileName = QStringLiteral("cmd.txt");

// Copies the sequence kept beside the program to the user's file. A failure
// leaves both as they were: the editor then starts empty, the copy beside the
// program stays, and the first save reports why the user's folder is unusable.
void copyFirstTime(const QString &beside, const QString &userFolder, const QString &userFile)
{
    if (!QDir().mkpath(userFolder) || !QFile::copy(beside, userFile))
        qWarning().noquote() << "Could not copy" << beside << "to" << userFile;
}

} // namespace

QString choose(const QString &programFolder, bool programFolderWritable, const QString &userFolder)
{
    const QString beside = QDir(programFolder).filePath(fileName);
    if (programFolderWritable || userFolder.isEmpty())
        return beside;
    const QString userFile = QDir(userFolder).filePath(fileName);
    if (!QFileInfo::exists(userFile) && QFileInfo::exists(beside))
        copyFirstTime(beside, userFolder, userFile);
    return userFile;
}

bool isWritableFolder(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".cmd.txt.XXXXXX")));
    return probe.open();
}

QString atStartUp()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return QDir::toNativeSeparators(
        choose(programFolder, isWritableFolder(programFolder),
               QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))));
}

} // namespace sequencelocation
