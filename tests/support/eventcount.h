// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>
#include <QObject>

// Counts the events of one type an object receives while this watches it.
class EventCount final : public QObject
{
public:
    EventCount(QObject &watched, QEvent::Type type) : m_type(type) { watched.installEventFilter(this); }
    int count() const { return m_count; }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == m_type)
            ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int m_count = 0;
};
