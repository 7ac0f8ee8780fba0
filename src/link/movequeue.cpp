// SPDX-License-Identifier: MIT
#include "movequeue.h"

#include <algorithm>

void MoveQueue::pushOrdered(const QString &text, const QByteArray &bytes)
{
    m_commands.push_back({text, bytes, std::nullopt});
    m_bytes += bytes.size();
    m_orderedBytes += bytes.size();
}

bool MoveQueue::pushLive(int channel, const QString &text, const QByteArray &bytes)
{
    const auto waiting = std::find_if(m_commands.begin(), m_commands.end(),
                                      [channel](const Command &command) { return command.liveChannel == channel; });
    m_bytes += bytes.size();
    if (waiting == m_commands.end()) {
        m_commands.push_back({text, bytes, channel});
        return false;
    }
    m_bytes -= waiting->bytes.size();
    // In place, unless an ordered command waits behind it: the newer position
    // must not go out before a line that was sent earlier.
    const bool orderedBehind =
        std::any_of(std::next(waiting), m_commands.end(), [](const Command &command) { return !command.liveChannel; });
    if (orderedBehind) {
        m_commands.erase(waiting);
        m_commands.push_back({text, bytes, channel});
    } else {
        waiting->text = text;
        waiting->bytes = bytes;
    }
    return true;
}

MoveQueue::Command MoveQueue::takeFront()
{
    Command command = std::move(m_commands.front());
    m_commands.pop_front();
    m_bytes -= command.bytes.size();
    if (!command.liveChannel)
        m_orderedBytes -= command.bytes.size();
    return command;
}

qint64 MoveQueue::clear()
{
    const qint64 dropped = m_bytes;
    m_commands.clear();
    m_bytes = 0;
    m_orderedBytes = 0;
    return dropped;
}
