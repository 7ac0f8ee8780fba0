// SPDX-License-Identifier: MIT
#include "filereplacement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace filereplacement {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("filereplacement", text);
}

// Root may write any file: a file that nobody may write is read-only all the same.
bool isReadOnly(const QFileInfo &info)
{
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !(info.permissions() & anyWrite) || !info.isWritable();
}

// The file's own mode bits (those of the file a link points to); the "User"
// flags describe the running user, not the file.
QFileDevice::Permissions modeOf(const QFileInfo &info)
{
    return info.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

} // namespace

std::optional<QString> replace(const QString &path, Mode mode, const Content &content)
{
    const QFileInfo existing(path);
    const bool replacesLink = existing.isSymLink();
    // A link is replaced whatever it points to; only a file of its own is checked.
    if (!replacesLink && existing.exists() && !existing.isFile())
        return tr("这不是一个普通文件。");
    if (!replacesLink && existing.exists() && isReadOnly(existing))
        return tr("文件是只读的。");

    const QString folder = existing.absolutePath();
    if (!QDir().mkpath(folder))
        return tr("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder));

    constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    const auto permissions = mode == Mode::OwnerOnly ? std::optional(ownerOnly)
                             : existing.exists()     ? std::optional(modeOf(existing))
                                                     : std::nullopt;

    // QSaveFile writes through a symbolic link to its target. A link is instead
    // replaced: the new file is made under a name of its own beside it, then
    // renamed over the link.
    const QString target =
        replacesLink
            ? path + QStringLiteral(".%1.new").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
            : path;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    // Every step is checked: commit() may report success after failed writes
    // (a full disk), and would then put a cut-off file in place of the old one.
    bool written = true;
    if (const std::optional<QString> refusal = content([&](QByteArrayView piece) {
            written = written && file.write(piece.data(), piece.size()) == piece.size();
        })) {
        file.cancelWriting();
        return refusal;
    }
    written = written && file.flush() && (!permissions || file.setPermissions(*permissions));
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason.isEmpty() ? tr("写入失败。") : reason;
    }
    if (!file.commit())
        return file.errorString();
    if (replacesLink) {
        std::error_code failure;
        std::filesystem::rename(std::filesystem::path(target.toStdU16String()),
                                std::filesystem::path(path.toStdU16String()), failure);
        if (failure) {
            QFile::remove(target);
            return QString::fromLocal8Bit(failure.message());
        }
    }
    return std::nullopt;
}

std::optional<QString> replace(const QString &path, const QByteArray &bytes)
{
    return replace(path, Mode::Kept, [&bytes](const Put &put) -> std::optional<QString> {
        put(bytes);
        return std::nullopt;
    });
}

} // namespace filereplacement
