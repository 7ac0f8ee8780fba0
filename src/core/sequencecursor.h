// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

// The current line of the sequence: the one the operator works on. The editor
// (its caret's line), the pose table, the timeline, the status line and the
// actions all follow it. A view that moves it names itself and is not told of
// its own move; every other view is.
class SequenceCursor final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    qsizetype line() const { return m_line; }
    // `by`: the view that moved it (none: the program).
    void setLine(qsizetype line, const QObject *by = nullptr);

Q_SIGNALS:
    void moved(qsizetype line, const QObject *by);

private:
    qsizetype m_line = 0;
};
