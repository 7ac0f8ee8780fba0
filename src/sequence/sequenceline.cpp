#include "sequenceline.h"

#include "common/numbers.h"

namespace sequenceline {

namespace {

constexpr qsizetype intervalField = 5; // characters 5 to 9
constexpr qsizetype commandStart = 10; // character 11, counted from 0

} // namespace

QString channelGroup(const Channel &channel, const QString &speed)
{
    return u'#' + QString::number(channel.index) + u'P' + QString::number(channel.pulse) + u'S' + speed;
}

QString moveCommand(const Channel &channel, const QString &speed)
{
    return channelGroup(channel, speed) + u'\r';
}

QString timePrefix(const QString &intervalText, int intervalValue)
{
    const QString interval =
        intervalText.size() <= intervalField ? intervalText : QString::number(intervalValue);
    return QStringLiteral("Time") + interval.leftJustified(intervalField) + u' ';
}

QString build(const QString &intervalText, int intervalValue, const QList<Channel> &ticked,
              const QString &speed)
{
    QString line = timePrefix(intervalText, intervalValue);
    for (const Channel &channel : ticked)
        line += channelGroup(channel, speed);
    return line;
}

Playback readForPlayback(const QString &line)
{
    Playback playback;
    playback.interval = numbers::lenientInt16(QStringView(line).mid(4, intervalField));
    if (line.size() >= commandStart)
        playback.command = line.mid(commandStart);
    return playback;
}

} // namespace sequenceline
