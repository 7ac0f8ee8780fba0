// SPDX-License-Identifier: MIT
#include "filefaults.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace filefaults {

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

QString makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0 ? QString() : lastError();
}

QString mountTinyFileSystem(const QString &dir, qint64 bytes)
{
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, options.constData()) != 0)
        return QStringLiteral("cannot mount a tmpfs (needs root): ") + lastError();
    return {};
}

void unmount(const QString &dir)
{
    ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
}

QString giveToAnotherUser(const QString &path)
{
    constexpr uid_t nobody = 65534;
    if (::geteuid() != 0)
        return QStringLiteral("handing a file to another user needs root");
    return ::chown(QFile::encodeName(path).constData(), nobody, nobody) == 0 ? QString() : lastError();
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) {
        m_unavailable = lastError();
        return;
    }
    m_previous = limit.rlim_cur;
    // Writing past the limit then fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = rlim_t(bytes);
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        m_unavailable = lastError();
}

FileSizeLimit::~FileSizeLimit()
{
    if (!m_unavailable.isEmpty())
        return;
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = rlim_t(m_previous);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace filefaults
