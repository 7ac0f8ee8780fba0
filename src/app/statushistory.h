// SPDX-License-Identifier: MIT
#pragma once

#include <QDateTime>
#include <QString>

#include <deque>

class QMenu;

// The last messages the status line showed, with the time each appeared, so
// that one cut short or already gone can still be read whole.
class StatusHistory
{
public:
    static constexpr qsizetype capacity = 30;

    struct Entry {
        QDateTime at;
        QString text;
    };

    // Keeps `text` as the newest; the oldest goes beyond `capacity`. An empty text is no message.
    void add(const QDateTime &at, const QString &text);
    // Newest first.
    const std::deque<Entry> &entries() const { return m_entries; }

    // Fills `menu` with the entries, newest first, each as its time and its whole text.
    void fill(QMenu &menu) const;

private:
    std::deque<Entry> m_entries;
};
