// SPDX-License-Identifier: MIT
#pragma once

#include "shared/armprofile.h"

#include <QFileSystemWatcher>
#include <QObject>

// Follows an arm profile file while the board runs: the console's 通道设置
// saves it by renaming a new file over it, an editor may write it in place,
// and it may not exist yet, nor its folder. The folder is watched as well as
// the file (a rename leaves the old file's watch behind), or while the folder
// is missing the nearest one above it that exists. Every change is read
// again; a reading that differs from the last one is told.
class ProfileWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit ProfileWatcher(const QString &path, QObject *parent = nullptr);

    QString path() const { return m_path; }
    // The file as it was read last: at construction, then after each change.
    const armprofile::Reading &reading() const { return m_reading; }

Q_SIGNALS:
    void changed(const armprofile::Reading &reading);

private:
    void watch();
    void readAgain();

    QString m_path;
    QFileSystemWatcher m_watcher;
    armprofile::Reading m_reading;
};
