// SPDX-License-Identifier: MIT
#include "filefaults.h"

// None of these faults can be set up on Windows: the tests that need them skip.
namespace filefaults {

QString makeFifo(const QString &)
{
    return QStringLiteral("no FIFOs on Windows");
}

QString mountTinyFileSystem(const QString &, qint64)
{
    return QStringLiteral("no tmpfs on Windows");
}

void unmount(const QString &) { }

QString giveToAnotherUser(const QString &)
{
    return QStringLiteral("no other owner to hand a file to on Windows");
}

FileSizeLimit::FileSizeLimit(qint64) : m_unavailable(QStringLiteral("no file size limit on Windows")) { }

FileSizeLimit::~FileSizeLimit() = default;

} // namespace filefaults
