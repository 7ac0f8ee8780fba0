// SPDX-License-Identifier: MIT
#include "movequeue.h"

#include <algorithm>
#include <limits>

void MoveQueue::append(Command command)
{
    m_bytes += command.bytes.size();
    if (!command.liveChannel)
        m_orderedBytes += command.bytes.size();
    m_commands.push_back(std::move(command));
}

void MoveQueue::defer(Command command)
{
    m_deferredBytes += command.bytes.size();
    m_deferred.push_back(std::move(command));
}

void MoveQueue::admitOldestDeferred()
{
    m_deferredBytes -= m_deferred.front().bytes.size();
    append(std::move(m_deferred.front()));
    m_deferred.pop_front();
}

void MoveQueue::pushOrdered(const QString &text, const QByteArray &bytes)
{
    admitDeferred(std::numeric_limits<qint64>::max());
    append({text, bytes, std::nullopt});
}

bool MoveQueue::pushLive(int channel, const QString &text, const QByteArray &bytes, qint64 room)
{
    const auto sameChannel = [channel](const Command &command) { return command.liveChannel == channel; };
    if (const auto deferred = std::find_if(m_deferred.begin(), m_deferred.end(), sameChannel);
        deferred != m_deferred.end()) {
        m_deferredBytes += bytes.size() - deferred->bytes.size();
        deferred->text = text;
        deferred->bytes = bytes;
        return true;
    }
    const auto waiting = std::find_if(m_commands.begin(), m_commands.end(), sameChannel);
    const bool replaces = waiting != m_commands.end();
    if (replaces) {
        // In place, unless an ordered command waits behind it (the newer
        // position must not go out before a line that was sent earlier) or the
        // newer one is longer than the room left.
        const bool orderedBehind = std::any_of(std::next(waiting), m_commands.end(),
                                               [](const Command &command) { return !command.liveChannel; });
        const qint64 grown = bytes.size() - waiting->bytes.size();
        if (!orderedBehind && m_bytes + grown <= room) {
            m_bytes += grown;
            waiting->text = text;
            waiting->bytes = bytes;
            return true;
        }
        m_bytes -= waiting->bytes.size();
        m_commands.erase(waiting);
    }
    Command command{text, bytes, channel};
    // Behind the moves deferred earlier, never ahead of them.
    if (m_deferred.empty() && m_bytes + bytes.size() <= room)
        append(std::move(command));
    else
        defer(std::move(command));
    return replaces;
}

void MoveQueue::admitDeferred(qint64 room)
{
    while (!m_deferred.empty() && m_bytes + m_deferred.front().bytes.size() <= room)
        admitOldestDeferred();
}

MoveQueue::Command MoveQueue::takeFront()
{
    if (m_commands.empty())
        admitOldestDeferred();
    Command command = std::move(m_commands.front());
    m_commands.pop_front();
    m_bytes -= command.bytes.size();
    if (!command.liveChannel)
        m_orderedBytes -= command.bytes.size();
    return command;
}

qint64 MoveQueue::clear()
{
    const qint64 dropped = m_bytes + m_deferredBytes;
    m_commands.clear();
    m_deferred.clear();
    m_bytes = 0;
    m_orderedBytes = 0;
    m_deferredBytes = 0;
    return dropped;
}
