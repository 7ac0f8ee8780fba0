#include "sequencefile.h"

#include "common/textcodec.h"
#include "rtftext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString withCarriageReturns(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
    text.replace(u'\n', u'\r');
    return text;
}

} // namespace

SequenceFile::Content SequenceFile::decode(const QByteArray &bytes)
{
    if (bytes.startsWith("{\\rtf"))
        return {withCarriageReturns(plainTextFromRtf(bytes)), Encoding::Utf8};
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    if (const auto utf8 = textcodec::decodeUtf8Strict(body))
        return {withCarriageReturns(*utf8), Encoding::Utf8};
    if (const auto gbk = textcodec::decodeGbk(body))
        return {withCarriageReturns(*gbk), Encoding::Gbk};
    return {withCarriageReturns(QString::fromLatin1(body)), Encoding::Utf8};
}

QByteArray SequenceFile::encode(const QString &text, Encoding encoding)
{
    QString onDisk = text;
    onDisk.replace(u'\r', QStringLiteral("\r\n"));
    if (encoding == Encoding::Gbk) {
        if (const auto gbk = textcodec::encodeGbk(onDisk))
            return *gbk;
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
    QFile file(m_path);
    if (!file.exists())
        return QString();
    if (!file.open(QIODevice::ReadOnly)) {
        m_unreadable = true;
        *error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_unreadable = true;
        *error = file.errorString();
        return std::nullopt;
    }
    Content content = decode(bytes);
    m_encoding = content.encoding;
    return content.text;
}

std::optional<QString> SequenceFile::save(const QString &text)
{
    if (m_unreadable)
        return QStringLiteral("启动时无法读取该文件，为免覆盖其原有内容，本次未保存。");
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder));
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    file.write(encode(text, m_encoding));
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
