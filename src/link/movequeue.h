// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

#include <deque>
#include <optional>

// The commands waiting for the line, in the order they go out. Two kinds:
// an ordered command (a line of playback, Send, a single step) keeps its place
// and is never merged; a live move of one channel (a slider, a value box) only
// says where that channel should be now, so a newer live move of the same
// channel replaces the waiting one in place and at most one per channel waits.
// (Where an ordered command waits behind the old move, the new one goes to the
// end instead, so that it does not overtake a line sent before it.)
class MoveQueue
{
public:
    struct Command {
        QString text;
        QByteArray bytes;
        std::optional<int> liveChannel; // set for a live move
    };

    void pushOrdered(const QString &text, const QByteArray &bytes);
    // True when it replaced a waiting move of the same channel.
    bool pushLive(int channel, const QString &text, const QByteArray &bytes);

    bool empty() const { return m_commands.empty(); }
    const Command &front() const { return m_commands.front(); }
    Command takeFront();
    // Drops everything waiting; returns the bytes dropped.
    qint64 clear();

    // Bytes waiting, in all and in ordered commands.
    qint64 bytes() const { return m_bytes; }
    qint64 orderedBytes() const { return m_orderedBytes; }
    qsizetype size() const { return qsizetype(m_commands.size()); }

private:
    std::deque<Command> m_commands;
    qint64 m_bytes = 0;
    qint64 m_orderedBytes = 0;
};
