// SPDX-License-Identifier: MIT
#include "sequencefile.h"

#include "core/textcodec.h"
#include "shared/filereplacement.h"
#include "rtftext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

#include <string>

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

// A digest of a stream of bytes that does not depend on how the stream is cut
// into pieces: the bytes are hashed in blocks of a fixed size, each block's hash
// seeding the next.
class StreamDigest
{
public:
    void add(QByteArrayView bytes)
    {
        while (!bytes.isEmpty()) {
            if (m_block.isEmpty() && bytes.size() >= blockSize) {
                m_value = qHash(bytes.first(blockSize), m_value);
                bytes = bytes.sliced(blockSize);
                continue;
            }
            const qsizetype taken = qMin(blockSize - m_block.size(), bytes.size());
            m_block.append(bytes.first(taken));
            bytes = bytes.sliced(taken);
            if (m_block.size() == blockSize) {
                m_value = qHash(QByteArrayView(m_block), m_value);
                m_block.clear();
            }
        }
    }
    size_t value() const { return qHash(QByteArrayView(m_block), m_value); }

private:
    static constexpr qsizetype blockSize = 1 << 20;
    QByteArray m_block;
    size_t m_value = 0;
};

size_t digestOf(QByteArrayView bytes)
{
    StreamDigest digest;
    digest.add(bytes);
    return digest.value();
}

QByteArray byteOrderMark(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8WithBom:
        return utf8Bom;
    case Encoding::Utf16LE:
        return utf16LEBom;
    case Encoding::Utf16BE:
        return utf16BEBom;
    case Encoding::Utf8:
    case Encoding::Gbk:
        break;
    }
    return {};
}

QStringEncoder encoderFor(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE);
    case Encoding::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE);
    case Encoding::Gbk:
        return QStringEncoder("GBK");
    case Encoding::Utf8:
    case Encoding::Utf8WithBom:
        break;
    }
    return QStringEncoder(QStringConverter::Utf8);
}

// Hands `text` in `encoding`, with CR LF line ends, to `sink` a piece at a time,
// so that a long sequence is never copied whole. False when the encoding cannot
// hold a character of the text (GBK) or is missing on this platform.
template <typename Sink>
bool encodeInPieces(QStringView text, Encoding encoding, Sink &&sink)
{
    constexpr qsizetype pieceSize = 64 * 1024; // characters
    QStringEncoder encoder = encoderFor(encoding);
    if (!encoder.isValid())
        return false;
    sink(QByteArrayView(byteOrderMark(encoding)));
    std::u16string withCrLf;
    withCrLf.reserve(2 * pieceSize);
    QByteArray bytes;
    for (qsizetype from = 0; from < text.size(); from += pieceSize) {
        withCrLf.clear();
        for (const QChar c : text.mid(from, pieceSize)) {
            withCrLf.push_back(c.unicode());
            if (c == u'\r')
                withCrLf.push_back(u'\n');
        }
        bytes.resize(encoder.requiredSpace(qsizetype(withCrLf.size())));
        const char *end = encoder.appendToBuffer(bytes.data(), QStringView(withCrLf));
        if (encoding == Encoding::Gbk && encoder.hasError())
            return false;
        sink(QByteArrayView(bytes.constData(), end - bytes.constData()));
    }
    return true;
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

// The whole content of the regular file at `path`, or why it cannot be read. Only
// regular files are opened: a FIFO would block the open, a device never end.
std::optional<QByteArray> readRegularFile(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        *error = QCoreApplication::translate("SequenceFile", "这不是一个普通文件。");
        return std::nullopt;
    }
    const QString tooLarge = QCoreApplication::translate("SequenceFile", "文件大于 %1 MB，不是动作序列文件。")
                                 .arg(SequenceFile::maximumSize >> 20);
    if (info.size() > SequenceFile::maximumSize) {
        *error = tooLarge;
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    QByteArray bytes = file.read(qMin(info.size(), SequenceFile::maximumSize) + 1);
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
    QByteArray bytes;
    bytes.reserve(text.size() + text.size() / 32);
    const auto append = [&bytes](QByteArrayView piece) { bytes.append(piece); };
    if (!encodeInPieces(text, encoding, append)) {
        // Better a file in another encoding than a character lost.
        bytes.clear();
        encodeInPieces(text, Encoding::Utf8, append);
    }
    return bytes;
}

SequenceFile::SequenceFile(QString path) : m_path(std::move(path)) { }

QString SequenceFile::besideExecutable()
{
    return QCoreApplication::applicationDirPath() + QDir::separator() + QStringLiteral("cmd.txt");
}

std::optional<QString> SequenceFile::load(QString *error)
{
    if (!QFileInfo::exists(m_path)) {
        remember(digestOf({}), {});
        return QString();
    }
    std::optional<QByteArray> bytes = readRegularFile(m_path, error);
    std::optional<Content> content;
    if (bytes) {
        content = decode(*bytes);
        if (!content)
            *error = QCoreApplication::translate(
                "SequenceFile", "文件内容不是 UTF-8、GBK 或带字节顺序标记的 UTF-16 文本，无法原样读取。");
    }
    if (!content) {
        m_unreadable = true;
        return std::nullopt;
    }
    m_encoding = content->encoding;
    remember(digestOf(*bytes), content->text);
    return content->text;
}

void SequenceFile::remember(size_t digest, const QString &text)
{
    const QFileInfo info(m_path);
    m_disk = {info.exists(), info.size(), info.lastModified(), digest};
    m_textSize = text.size();
    m_textHash = qHash(text, 0);
}

bool SequenceFile::holds(const QString &text) const
{
    return text.size() == m_textSize && qHash(text, 0) == m_textHash;
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
    // Same size and time: only the content can tell. Read a piece at a time.
    QFile file(m_path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return true;
    StreamDigest digest;
    QByteArray piece(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (qint64 got; (got = file.read(piece.data(), piece.size())) > 0;) {
        total += got;
        if (total > m_disk.size)
            return true;
        digest.add(QByteArrayView(piece.constData(), got));
    }
    return file.error() != QFileDevice::NoError || total != m_disk.size || digest.value() != m_disk.contentHash;
}

std::optional<QString> SequenceFile::save(const QString &text)
{
    if (m_unreadable)
        return QCoreApplication::translate("SequenceFile", "启动时无法读取该文件，为免覆盖其原有内容，本次未保存。");
    const auto mode = m_ownerOnly ? filereplacement::Mode::OwnerOnly : filereplacement::Mode::Kept;
    bool unencodable = false;
    std::optional<QString> failure = writeWhole(text, m_encoding, mode, &unencodable);
    // Better a file in another encoding than a character lost.
    if (unencodable)
        failure = writeWhole(text, Encoding::Utf8, mode, &unencodable);
    return failure;
}

std::optional<QString> SequenceFile::writeWhole(const QString &text, Encoding encoding, filereplacement::Mode mode,
                                                bool *unencodable)
{
    StreamDigest digest;
    const std::optional<QString> failure =
        filereplacement::replace(m_path, mode, [&](const filereplacement::Put &put) -> std::optional<QString> {
            if (encodeInPieces(text, encoding, [&](QByteArrayView piece) {
                    put(piece);
                    digest.add(piece);
                }))
                return std::nullopt;
            *unencodable = true;
            return QCoreApplication::translate("SequenceFile", "编码无法容纳文本中的字符。");
        });
    if (!failure)
        remember(digest.value(), text);
    return failure;
}
