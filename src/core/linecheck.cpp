// SPDX-License-Identifier: MIT
#include "linecheck.h"

#include "core/textcodec.h"
#include "core/lineformat.h"
#include "sequenceline.h"

#include <QCoreApplication>

#include <algorithm>

namespace linecheck {

namespace {

using lineformat::commandStart;
using lineformat::intervalField;
using lineformat::intervalStart;
using lineformat::timeWord;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits with blanks (only blanks) before or after them, none between.
bool isPaddedNumber(QStringView field)
{
    while (field.startsWith(u' '))
        field = field.sliced(1);
    while (field.endsWith(u' '))
        field.chop(1);
    return !field.isEmpty() && std::all_of(field.begin(), field.end(), isDigit);
}

} // namespace

bool playsAsWritten(QStringView line)
{
    if (line.isEmpty())
        return true;
    if (line.size() < commandStart || !line.startsWith(timeWord)
        || !isPaddedNumber(line.mid(intervalStart, intervalField)) || line[commandStart - 1] != u' ')
        return false;
    if (line.size() > commandStart && line[commandStart] != u'#')
        return false;
    // The interval as playback reads it (from the first ten characters).
    const std::optional<qint16> interval = sequenceline::readForPlayback(line.first(commandStart).toString()).interval;
    return interval && *interval > 0;
}

Reading readLine(const QString &line)
{
    const sequenceline::Playback read = sequenceline::readForPlayback(line);
    // Playback sends a line only when it can read both its command and its
    // interval; otherwise the period of the line before stays.
    if (!read.command)
        return {Reading::Skip::TooShort, {}, 0};
    if (!read.interval)
        return {Reading::Skip::IntervalUnreadable, {}, 0};
    return {Reading::Skip::None, textcodec::encodeForWire(*read.command), *read.interval};
}

QString describePlayback(const QString &line)
{
    const Reading read = readLine(line);
    switch (read.skipped) {
    case Reading::Skip::TooShort:
        return QCoreApplication::translate("linecheck", "发送：无（此行不足 10 个字符）\n间隔：沿用上一行的间隔");
    case Reading::Skip::IntervalUnreadable:
        return QCoreApplication::translate("linecheck",
                                           "发送：无（第 5 到 9 个字符读出的间隔超出范围）\n间隔：沿用上一行的间隔");
    case Reading::Skip::None:
        break;
    }
    const QString sent = read.bytes.isEmpty()
                             ? QCoreApplication::translate("linecheck", "发送：无字节")
                             : QCoreApplication::translate("linecheck", "发送：") + escaped(read.bytes);
    if (read.interval > 0)
        return sent + QCoreApplication::translate("linecheck", "\n间隔：%1 毫秒").arg(read.interval);
    if (read.interval == 0)
        return sent + QCoreApplication::translate("linecheck", "\n间隔：0，播放在此行之后停止");
    return sent + QCoreApplication::translate("linecheck", "\n间隔：%1 无效，沿用上一行的间隔").arg(read.interval);
}

QString escaped(const QByteArray &bytes)
{
    QString text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        switch (value) {
        case '\r':
            text += QStringLiteral("\\r");
            break;
        case '\n':
            text += QStringLiteral("\\n");
            break;
        case '\t':
            text += QStringLiteral("\\t");
            break;
        case '\\':
            text += QStringLiteral("\\\\");
            break;
        default:
            if (value >= 0x20 && value < 0x7f)
                text += QChar(value);
            else
                text += QStringLiteral("\\x") + QString::number(value, 16).toUpper().rightJustified(2, u'0');
        }
    }
    return text;
}

} // namespace linecheck
