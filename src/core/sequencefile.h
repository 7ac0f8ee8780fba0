// SPDX-License-Identifier: MIT
#pragma once

#include "shared/filereplacement.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

// The sequence file cmd.txt: the editor's whole text, one sequence line per line.
//
// On disk lines end in CR LF; CR, LF and CR LF are all read as one line break, and
// the text handed back ends each line with one CR, as the editor holds it. Text
// is UTF-8; a file that is not valid UTF-8 is read as GBK (what earlier Windows
// tools for these boards wrote) and written back in GBK as long as every
// character fits. A file that starts with a byte-order mark (UTF-8, UTF-16 LE or
// BE) is read in that encoding and written back the same way, mark included. A
// file that starts with "{\rtf" is read as rich text and only its plain text is
// kept.
//
// What cannot be read faithfully is never replaced: a file that is not a regular
// file, is larger than maximumSize, or whose bytes are none of the encodings
// above is reported as unreadable, and this object then refuses to save over it.
class SequenceFile
{
public:
    enum class Encoding { Utf8, Utf8WithBom, Utf16LE, Utf16BE, Gbk };

    // Far above any real sequence: a million six-servo lines take about 76 MB.
    static constexpr qint64 maximumSize = 128 * 1024 * 1024;

    struct Content {
        QString text;
        Encoding encoding = Encoding::Utf8;
    };

    // Empty when the bytes are in none of the encodings above, so that the text
    // would not be what the file holds.
    static std::optional<Content> decode(const QByteArray &bytes);
    static QByteArray encode(const QString &text, Encoding encoding);

    explicit SequenceFile(QString path);

    // The folder of the running executable, not the working directory.
    static QString besideExecutable();

    const QString &path() const { return m_path; }

    // The file's text; empty when there is no file yet. An error (in the
    // operator's language) when it exists but cannot be read; from then on this
    // object refuses to save, so that the file is never overwritten unseen.
    std::optional<QString> load(QString *error);

    // Whether `text` is what the file held when it was loaded or last saved
    // (empty for a missing or unreadable file).
    bool holds(const QString &text) const;

    // Whether the file on disk is no longer the one loaded or last saved: it
    // appeared, went, or changed size, time or content.
    bool changedOnDisk() const;

    // Replaces the file whole, atomically, keeping its permissions: a failure
    // (a full disk, a read-only file, even for root) leaves the old file as it
    // was. Makes the file's folder when it is missing. A symbolic link at the
    // path is replaced by a regular file, never written through. Returns the
    // reason on failure.
    std::optional<QString> save(const QString &text);

    // Every save writes the file readable and writable by its owner alone,
    // whatever the umask and the file's earlier mode.
    void setOwnerOnly() { m_ownerOnly = true; }

    bool mayOverwrite() const { return !m_unreadable; }

    // The encoding the file was read in, and the one the next save writes.
    Encoding encoding() const { return m_encoding; }
    void setEncoding(Encoding encoding) { m_encoding = encoding; }

private:
    // What the file on disk was when last read or written.
    struct DiskState {
        bool exists = false;
        qint64 size = 0;
        QDateTime modified;
        size_t contentHash = 0;
    };

    void remember(size_t digest, const QString &text);
    std::optional<QString> writeWhole(const QString &text, Encoding encoding, filereplacement::Mode mode,
                                      bool *unencodable);

    QString m_path;
    Encoding m_encoding = Encoding::Utf8;
    bool m_unreadable = false;
    bool m_ownerOnly = false;
    DiskState m_disk;
    qsizetype m_textSize = 0;
    size_t m_textHash = 0;
};
