// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <optional>

// Text encodings this program meets. Files and commands that it makes itself are
// ASCII; anything else is either UTF-8 or GBK (code page 936), which is what the
// Chinese Windows tools for these boards wrote, and now and then UTF-16 from an
// editor that marks it with a byte-order mark.
namespace textcodec {

// Decoding that refuses malformed input instead of inserting U+FFFD.
std::optional<QString> decodeStrict(QByteArrayView bytes, QStringConverter::Encoding encoding);
std::optional<QString> decodeUtf8Strict(const QByteArray &bytes);

// GBK decoding; empty when the bytes are not valid GBK, or the platform has no
// GBK codec.
std::optional<QString> decodeGbk(QByteArrayView bytes);

// GBK encoding; empty when the text holds a character that GBK cannot hold, or
// the platform has no GBK codec.
std::optional<QByteArray> encodeGbk(const QString &text);

// Bytes for the serial line: ASCII stays ASCII; other characters go out in GBK
// where possible (the board's own world), otherwise in UTF-8.
QByteArray encodeForWire(const QString &text);

} // namespace textcodec
