#include "sequencefile.h"

#include "common/textcodec.h"
#include "rtftext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

using Encoding = SequenceFile::Encoding;

const QByteArray utf8Bom("\xEF\xBB\xBF");
const QByteArray utf16LEBom("\xFF\xFE");
const QByteArray utf16BEBom("\xFE\xFF");

// CR LF and LF become CR, in one pass over the text.
QString withCarriageReturns(QString text)
{
    QChar *const begin = text.data();
    const QChar *const end = begin + text.size();
    QChar *out = begin;
    for (const QChar *in = begin; in != end; ++in) {
        if (*in == u'\n') {
            *out++ = u'\r';
        } else {
            *out++ = *in;
            if (*in == u'\r' && in + 1 != end && in[1] == u'\n')
                ++in;
        }
    }
    text.truncate(out - begin);
    return text;
}

// CR becomes CR LF, in one pass over the text.
QString withCrLf(QStringView text)
{
    QString onDisk;
    onDisk.reserve(text.size() + text.count(u'\r'));
    qsizetype from = 0;
    for (qsizetype cr = text.indexOf(u'\r'); cr >= 0; cr = text.indexOf(u'\r', from)) {
        onDisk.append(text.mid(from, cr - from));
        onDisk.append(u"\r\n");
        from = cr + 1;
    }
    onDisk.append(text.mid(from));
    return onDisk;
}

// GBK only when it reads back to the very same bytes: nothing is lost on a save.
std::optional<QString> decodeGbkLosslessly(const QByteArray &bytes)
{
    std::optional<QString> text = textcodec::decodeGbk(bytes);
    if (text && textcodec::encodeGbk(*text) != bytes)
        return std::nullopt;
    return text;
}

std::optional<SequenceFile::Content> decodeAs(std::optional<QString> text, Encoding encoding)
{
    if (!text)
        return std::nullopt;
    return SequenceFile::Content{withCarriageReturns(std::move(*text)), encoding};
}

size_t hashOf(QByteArrayView bytes)
{
    return qHash(bytes, 0);
}

size_t hashOf(QStringView text)
{
    return qHash(text, 0);
}

// The whole content of the regular file at `path`, or why it cannot be read. Only
// regular files are opened: a FIFO would block the open, a device never end.
std::optional<QByteArray> readRegularFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QStringLiteral("这不是一个普通文件。");
        return std::nullopt;
    }
    const QString tooLarge = QStringLiteral("文件大于 %1 MB，不是动作序列文件。").arg(SequenceFile::maximumSize >> 20);
    if (info.size() > SequenceFile::maximumSize) {
        *error = tooLarge;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.read(SequenceFile::maximumSize + 1);
    if (file.error() != QFileDevice::NoError) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (bytes.size() > SequenceFile::maximumSize) {
        *error = tooLarge;
        return std::nullopt;
    }
    return bytes;
}

// Root may write any file: a file that nobody may write is read-only all the same.
bool isReadOnly(const QFileInfo &info)
{
    constexpr QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return !(info.permissions() & anyWrite) || !info.isWritable();
}

// The file's own mode bits; the "User" flags describe the running user, not the file.
QFileDevice::Permissions modeOf(const QFileInfo &info)
{
    return info.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

} // namespace

std::optional<SequenceFile::Content> SequenceFile::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("{\\rtf"))
        return Content{withCarriageReturns(plainTextFromRtf(bytes)), Encoding::Utf8};
    if (bytes.startsWith(utf8Bom))
        return decodeAs(textcodec::decodeStrict(QByteArrayView(bytes).sliced(3), QStringConverter::Utf8),
                        Encoding::Utf8WithBom);
    if (bytes.startsWith(utf16LEBom))
        return decodeAs(textcodec::decodeStrict(QByteArrayView(bytes).sliced(2), QStringConverter::Utf16LE),
                        Encoding::Utf16LE);
    if (bytes.startsWith(utf16BEBom))
        return decodeAs(textcodec::decodeStrict(QByteArrayView(bytes).sliced(2), QStringConverter::Utf16BE),
                        Encoding::Utf16BE);
    if (std::optional<QString> utf8 = textcodec::decodeUtf8Strict(bytes))
        return decodeAs(std::move(utf8), Encoding::Utf8);
    return decodeAs(decodeGbkLosslessly(bytes), Encoding::Gbk);
}

QByteArray SequenceFile::encode(const QString &text, Encoding encoding)
{
    const QString onDisk = withCrLf(text);
    switch (encoding) {
    case Encoding::Utf8:
        break;
    case Encoding::Utf8WithBom:
        return utf8Bom + onDisk.toUtf8();
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const bool little = encoding == Encoding::Utf16LE;
        QStringEncoder encoder(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return (little ? utf16LEBom : utf16BEBom) + QByteArray(encoder.encode(onDisk));
    }
    case Encoding::Gbk:
        // Better a file in another encoding than a character lost.
        if (std::optional<QByteArray> gbk = textcodec::encodeGbk(onDisk))
            return *gbk;
        break;
    }
    return onDisk.toUtf8();
}

SequenceFile::SequenceFile(QString path) : m_path(std::move(path)) {}

QString SequenceFile::besideExecutable()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("cmd.txt");
}

std::optional<QString> SequenceFile::load(QString *error)
{
    if (!QFileInfo::exists(m_path)) {
        remember({}, {});
        return QString();
    }
    std::optional<QByteArray> bytes = readRegularFile(m_path, error);
    std::optional<Content> content;
    if (bytes) {
        content = decode(*bytes);
        if (!content)
            *error = QStringLiteral("文件内容不是 UTF-8、GBK 或带字节顺序标记的 UTF-16 文本，无法原样读取。");
    }
    if (!content) {
        m_unreadable = true;
        return std::nullopt;
    }
    m_encoding = content->encoding;
    remember(*bytes, content->text);
    return content->text;
}

void SequenceFile::remember(const QByteArray &bytes, const QString &text)
{
    const QFileInfo info(m_path);
    m_disk = {info.exists(), info.size(), info.lastModified(), hashOf(bytes)};
    m_textSize = text.size();
    m_textHash = hashOf(text);
}

bool SequenceFile::holds(const QString &text) const
{
    return text.size() == m_textSize && hashOf(text) == m_textHash;
}

bool SequenceFile::changedOnDisk() const
{
    const QFileInfo info(m_path);
    if (info.exists() != m_disk.exists)
        return true;
    if (!info.exists())
        return false;
    if (info.size() != m_disk.size || info.lastModified() != m_disk.modified)
        return true;
    QString error;
    const std::optional<QByteArray> bytes = readRegularFile(m_path, &error);
    return !bytes || hashOf(*bytes) != m_disk.contentHash;
}

std::optional<QString> SequenceFile::save(const QString &text)
{
    if (m_unreadable)
        return QStringLiteral("启动时无法读取该文件，为免覆盖其原有内容，本次未保存。");
    const QFileInfo existing(m_path);
    if (existing.exists() && !existing.isFile())
        return QStringLiteral("这不是一个普通文件。");
    if (existing.exists() && isReadOnly(existing))
        return QStringLiteral("文件是只读的。");

    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = encode(text, m_encoding);
    // Every step is checked: commit() may report success after failed writes
    // (a full disk), and would then put a cut-off file in place of the old one.
    const bool written = file.write(bytes) == bytes.size() && file.flush()
                         && (!existing.exists() || file.setPermissions(modeOf(existing)));
    if (!written) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason.isEmpty() ? QStringLiteral("写入失败。") : reason;
    }
    if (!file.commit())
        return file.errorString();
    remember(bytes, text);
    return std::nullopt;
}
