// SPDX-License-Identifier: MIT
#include "settingsstring.h"

#include <QCoreApplication>

namespace settingsstring {

Fields split(const QString &settings)
{
    Fields fields;
    QString *targets[] = {&fields.baudRate, &fields.parity, &fields.dataBits};
    qsizetype from = 0;
    for (QString *target : targets) {
        const qsizetype comma = settings.indexOf(u',', from);
        if (comma < 0) {
            *target = settings.mid(from);
            return fields;
        }
        *target = settings.mid(from, comma - from);
        from = comma + 1;
    }
    fields.stopBits = settings.mid(from);
    return fields;
}

QString build(const QString &baudRate, const QString &dataBits, const QString &stopBits)
{
    return baudRate + QStringLiteral(",n,") + dataBits + u',' + stopBits;
}

namespace {

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

} // namespace

double bytesPerSecond(const LineSettings &line)
{
    double stopBits = 1;
    if (line.stopBits == LineSettings::StopBits::OneAndHalf)
        stopBits = 1.5;
    else if (line.stopBits == LineSettings::StopBits::Two)
        stopBits = 2;
    const double parityBits = line.parity == LineSettings::Parity::None ? 0 : 1;
    return line.baudRate / (1 + line.dataBits + parityBits + stopBits);
}

std::variant<LineSettings, Problem> parse(const QString &settings, bool oneAndHalfStopBits)
{
    const Fields fields = split(settings);
    LineSettings line;

    bool ok = false;
    const qint64 baud = fields.baudRate.toLongLong(&ok);
    if (!allDigits(fields.baudRate) || !ok || baud < 1 || baud > 4'000'000)
        return Problem{Problem::Field::BaudRate, fields.baudRate};
    line.baudRate = static_cast<qint32>(baud);

    const QString parity = fields.parity.toLower();
    if (parity == u"n")
        line.parity = LineSettings::Parity::None;
    else if (parity == u"e")
        line.parity = LineSettings::Parity::Even;
    else if (parity == u"o")
        line.parity = LineSettings::Parity::Odd;
    else if (parity == u"m")
        line.parity = LineSettings::Parity::Mark;
    else if (parity == u"s")
        line.parity = LineSettings::Parity::Space;
    else
        return Problem{Problem::Field::Parity, fields.parity};

    if (!allDigits(fields.dataBits) || fields.dataBits.toInt() < 5 || fields.dataBits.toInt() > 8)
        return Problem{Problem::Field::DataBits, fields.dataBits};
    line.dataBits = fields.dataBits.toInt();

    if (fields.stopBits == u"1")
        line.stopBits = LineSettings::StopBits::One;
    else if (fields.stopBits == u"1.5" && oneAndHalfStopBits)
        line.stopBits = LineSettings::StopBits::OneAndHalf;
    else if (fields.stopBits == u"1.5")
        return Problem{Problem::Field::StopBits, fields.stopBits, true};
    else if (fields.stopBits == u"2")
        line.stopBits = LineSettings::StopBits::Two;
    else
        return Problem{Problem::Field::StopBits, fields.stopBits};

    return line;
}

QString describe(const Problem &problem, bool oneAndHalfStopBits)
{
    const auto text = [&problem](const char *sentence) {
        return QCoreApplication::translate("SettingsString", sentence).arg(problem.given);
    };
    switch (problem.field) {
    case Problem::Field::BaudRate:
        return text(QT_TRANSLATE_NOOP("SettingsString", "比特率“%1”无效：应为 1 到 4000000 之间的整数。"));
    case Problem::Field::Parity:
        return text(QT_TRANSLATE_NOOP("SettingsString", "校验位“%1”无效：应为 n、e、o、m 或 s。"));
    case Problem::Field::DataBits:
        return text(QT_TRANSLATE_NOOP("SettingsString", "数据位“%1”无效：应为 5、6、7 或 8。"));
    case Problem::Field::StopBits:
        break;
    }
    if (problem.unsupported)
        return text(
            QT_TRANSLATE_NOOP("SettingsString", "停止位“%1”无法使用：本系统的串口不支持 1.5 位停止位，应为 1 或 2。"));
    return oneAndHalfStopBits ? text(QT_TRANSLATE_NOOP("SettingsString", "停止位“%1”无效：应为 1、1.5 或 2。"))
                              : text(QT_TRANSLATE_NOOP("SettingsString", "停止位“%1”无效：应为 1 或 2。"));
}

} // namespace settingsstring
