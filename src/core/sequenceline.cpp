// SPDX-License-Identifier: MIT
#include "sequenceline.h"

#include "core/numbers.h"
#include "core/lineformat.h"

namespace sequenceline {

using lineformat::commandStart;
using lineformat::intervalField;
using lineformat::intervalStart;

QString channelGroup(const Channel &channel, const QString &speed)
{
    return u'#' + QString::number(channel.index) + u'P' + QString::number(channel.pulse) + u'S' + speed;
}

QString moveCommand(const Channel &channel, const QString &speed)
{
    return channelGroup(channel, speed) + u'\r';
}

QString timePrefix(int interval)
{
    return lineformat::timeWord.toString() + QString::number(interval).leftJustified(intervalField) + u' ';
}

QString build(int interval, const QList<Channel> &ticked, const QString &speed)
{
    QString line = timePrefix(interval);
    for (const Channel &channel : ticked)
        line += channelGroup(channel, speed);
    return line;
}

Playback readForPlayback(const QString &line)
{
    Playback playback;
    playback.interval = numbers::lenientInt16(QStringView(line).mid(intervalStart, intervalField));
    if (line.size() >= commandStart) {
        playback.command = line.mid(commandStart);
        if (!line.endsWith(u'\r'))
            playback.command->append(u'\r');
    }
    return playback;
}

} // namespace sequenceline
