// SPDX-License-Identifier: MIT
#include "profilewatcher.h"

#include <QFileInfo>

namespace {

bool same(const armprofile::Reading &a, const armprofile::Reading &b)
{
    return a.found == b.found && a.profile == b.profile && a.problems == b.problems;
}

} // namespace

ProfileWatcher::ProfileWatcher(const QString &path, QObject *parent)
    : QObject(parent), m_path(QFileInfo(path).absoluteFilePath())
{
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &ProfileWatcher::readAgain);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &ProfileWatcher::readAgain);
    watch();
    m_reading = armprofile::read(m_path);
}

// Watched before it is read: a change made after the reading is always seen.
void ProfileWatcher::watch()
{
    if (QFileInfo::exists(m_path) && !m_watcher.files().contains(m_path))
        m_watcher.addPath(m_path);
    QString folder = QFileInfo(m_path).path();
    while (!QFileInfo(folder).isDir() && QFileInfo(folder).path() != folder)
        folder = QFileInfo(folder).path();
    const QStringList watched = m_watcher.directories();
    if (watched != QStringList{folder}) {
        if (!watched.isEmpty())
            m_watcher.removePaths(watched);
        m_watcher.addPath(folder);
    }
}

void ProfileWatcher::readAgain()
{
    watch();
    armprofile::Reading reading = armprofile::read(m_path);
    if (same(reading, m_reading))
        return;
    m_reading = std::move(reading);
    Q_EMIT changed(m_reading);
}
