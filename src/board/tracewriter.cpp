// SPDX-License-Identifier: MIT
#include "tracewriter.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool TraceWriter::open(const QString &path)
{
    m_file.setFileName(path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return true;
    m_error = m_file.errorString();
    return false;
}

bool TraceWriter::write(const boardcommand::Command &command, qint64 arrivalUs)
{
    const QByteArray text = line(command, arrivalUs) + '\n';
    const qint64 end = m_file.pos();
    // A write that stops short (the disk filled up during it) reports no error:
    // the rest is written again, and that write fails with the system's reason.
    for (qint64 written = 0; written < text.size();) {
        const qint64 n = m_file.write(text.constData() + written, text.size() - written);
        if (n <= 0) {
            // Taken before the line is taken back, which clears the file's error.
            m_error = m_file.errorString();
            // A line cut short is taken back: the trace stays whole lines.
            m_file.resize(end);
            return false;
        }
        written += n;
    }
    return true;
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
