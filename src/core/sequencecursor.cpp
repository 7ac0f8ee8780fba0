// SPDX-License-Identifier: MIT
#include "sequencecursor.h"

void SequenceCursor::setLine(qsizetype line, const QObject *by)
{
    if (line == m_line)
        return;
    m_line = line;
    Q_EMIT moved(line, by);
}
