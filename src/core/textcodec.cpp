// SPDX-License-Identifier: MIT
#include "textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace textcodec {

std::optional<QString> decodeStrict(QByteArrayView bytes, QStringConverter::Encoding encoding)
{
    // The decoder keeps a lone last byte of UTF-16 for more input instead of failing.
    const bool utf16 = encoding == QStringConverter::Utf16LE || encoding == QStringConverter::Utf16BE;
    if (utf16 && bytes.size() % 2 != 0)
        return std::nullopt;
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> decodeUtf8Strict(const QByteArray &bytes)
{
    return decodeStrict(bytes, QStringConverter::Utf8);
}

std::optional<QString> decodeGbk(QByteArrayView bytes)
{
    QStringDecoder decoder("GBK", QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QByteArray> encodeGbk(const QString &text)
{
    QStringEncoder encoder("GBK", QStringConverter::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

QByteArray encodeForWire(const QString &text)
{
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii)
        return text.toLatin1();
    return encodeGbk(text).value_or(text.toUtf8());
}

} // namespace textcodec
