#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The sequence file cmd.txt: the editor's whole text, one sequence line per line.
//
// On disk lines end in CR LF; CR, LF and CR LF are all read as one line break, and
// the text handed back ends each line with one CR, as the editor holds it. Text
// is UTF-8; a file that is not valid UTF-8 is read as GBK (what earlier Windows
// tools for these boards wrote) and written back in GBK as long as every
// character fits. A file that starts with "{\rtf" is read as rich text and only
// its plain text is kept.
class SequenceFile
{
public:
    enum class Encoding { Utf8, Gbk };

    struct Content {
        QString text;
        Encoding encoding = Encoding::Utf8;
    };

    static Content decode(const QByteArray &bytes);
    static QByteArray encode(const QString &text, Encoding encoding);

    explicit SequenceFile(QString path);

    // The folder of the running executable, not the working directory.
    static QString besideExecutable();

    const QString &path() const { return m_path; }

    // The file's text; empty when there is no file yet. An error (in the
    // operator's language) when it exists but cannot be read; from then on this
    // object refuses to save, so that the file is never overwritten unseen.
    std::optional<QString> load(QString *error);

    // Replaces the file whole, atomically: a failure leaves the old file as it was.
    // Makes the file's folder when it is missing. Returns the reason on failure.
    std::optional<QString> save(const QString &text);

    bool mayOverwrite() const { return !m_unreadable; }

private:
    QString m_path;
    Encoding m_encoding = Encoding::Utf8;
    bool m_unreadable = false;
};
