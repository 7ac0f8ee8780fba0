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
//
// The bytes waiting are bounded (the caller says by how much: `room`). A live
// move is never refused for it: one that does not fit is deferred, kept as its
// channel's latest position (replaced by a newer one like any live move) until
// the line has made room, and then joins the end of the queue, oldest first.
// An ordered command goes out after every move deferred before it.
class MoveQueue
{
public:
    struct Command {
        QString text;
        QByteArray bytes;
        std::optional<int> liveChannel; // set for a live move
    };

    // The caller has checked that the command, the waiting bytes and the
    // deferred moves fit: the deferred moves join the queue ahead of it.
    void pushOrdered(const QString &text, const QByteArray &bytes);
    // True when it replaced a waiting or deferred move of the same channel.
    bool pushLive(int channel, const QString &text, const QByteArray &bytes, qint64 room);
    // Deferred moves join the queue, oldest first, while they fit in `room`.
    void admitDeferred(qint64 room);

    // Nothing waiting and nothing deferred.
    bool empty() const { return m_commands.empty() && m_deferred.empty(); }
    // The first waiting command; with none waiting, the oldest deferred move.
    Command takeFront();
    // Drops everything waiting and deferred; returns the bytes dropped.
    qint64 clear();

    // Bytes waiting: in all, and in ordered commands; and of the deferred moves.
    qint64 bytes() const { return m_bytes; }
    qint64 orderedBytes() const { return m_orderedBytes; }
    qint64 deferredBytes() const { return m_deferredBytes; }
    qsizetype size() const { return qsizetype(m_commands.size()); }
    qsizetype deferredMoves() const { return qsizetype(m_deferred.size()); }

private:
    void append(Command command);
    void defer(Command command);
    void admitOldestDeferred();

    std::deque<Command> m_commands;
    std::deque<Command> m_deferred; // live moves only, one per channel at most
    qint64 m_bytes = 0;
    qint64 m_orderedBytes = 0;
    qint64 m_deferredBytes = 0;
};
