// SPDX-License-Identifier: MIT
#pragma once

// How the program replaces a file it keeps (cmd.txt, its recovery copy,
// arm.json): whole or not at all, and never through a symbolic link. A link
// planted where the program writes would otherwise make it replace the file
// the link points to, someone else's file among them, and take it over as its
// own; the link itself is replaced by a regular file instead, with the mode of
// the file it pointed to, and that file is left as it was.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace filereplacement {

// What the new file holds: `content` hands its bytes to `put`, a piece at a
// time, and returns the reason when it gives up (nothing is replaced then).
using Put = std::function<void(QByteArrayView)>;
using Content = std::function<std::optional<QString>(const Put &put)>;

enum class Mode {
    Kept,      // the mode of the file replaced, or the umask's for a new one
    OwnerOnly, // readable and writable by the owner alone, whatever was before
};

// Replaces the file at `path` atomically: any failure (a full disk, a file
// nobody may write, even for root, something there that is not a regular
// file) leaves the old file as it was. Makes the file's folder when it is
// missing. Returns the reason on failure.
std::optional<QString> replace(const QString &path, Mode mode, const Content &content);
std::optional<QString> replace(const QString &path, const QByteArray &bytes);

} // namespace filereplacement
