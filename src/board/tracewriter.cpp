// SPDX-License-Identifier: MIT
#include "tracewriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool TraceWriter::open(const QString &path)
{
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
}

bool TraceWriter::write(const boardcommand::Command &command, qint64 arrivalUs)
{
    const QByteArray text = line(command, arrivalUs) + '\n';
    const qint64 end = m_file.pos();
    if (m_file.write(text) == text.size())
        return true;
    // A line cut short (a full disk) is taken back: the trace stays whole lines.
    m_file.resize(end);
    return false;
}

QByteArray TraceWriter::line(const boardcommand::Command &command, qint64 arrivalUs)
{
    QJsonArray groups;
    for (const boardcommand::Group &group : command.groups) {
        groups.append(QJsonObject{
            {QStringLiteral("channel"), group.channel},
            {QStringLiteral("pulse"), group.pulse},
            {QStringLiteral("speed"), group.speed ? QJsonValue(*group.speed) : QJsonValue()},
        });
    }
    const QJsonObject object{
        {QStringLiteral("arrival_us"), arrivalUs},
        {QStringLiteral("raw"), QString::fromLatin1(command.raw)},
        {QStringLiteral("groups"), groups},
        {QStringLiteral("time_ms"), command.timeMs ? QJsonValue(*command.timeMs) : QJsonValue()},
        {QStringLiteral("flags"), QJsonArray::fromStringList(boardcommand::flagNames(command.flags))},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}
