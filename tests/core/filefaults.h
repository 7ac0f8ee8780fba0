// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Files and file systems that misbehave, for the sequence file's tests. Each
// returns an empty string when it is in place, otherwise why it cannot be here.
namespace filefaults {

QString makeFifo(const QString &path);

// A file system of `bytes` mounted on `dir` (needs root); unmount() takes it away.
QString mountTinyFileSystem(const QString &dir, qint64 bytes);
void unmount(const QString &dir);

// Hands the file at `path` to an unprivileged user (nobody) of its own (needs root).
QString giveToAnotherUser(const QString &path);

// Files this process writes cannot grow beyond `bytes` while it lives.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    const QString &unavailable() const { return m_unavailable; }

private:
    QString m_unavailable;
    unsigned long long m_previous = 0;
};

} // namespace filefaults
