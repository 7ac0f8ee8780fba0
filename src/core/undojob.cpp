// SPDX-License-Identifier: MIT
#include "undojob.h"

#include "core/sequencedocument.h"

UndoJob::UndoJob(SequenceDocument &document, EditHistory::Direction direction, QObject *parent)
    : SequenceJob(parent), m_document(document), m_direction(direction)
{ }

std::optional<SequenceJob::Outcome> UndoJob::runPart()
{
    if (m_token == 0) {
        m_token = m_document.beginInParts(m_direction);
        if (m_token == 0)
            return Outcome::Done; // nothing to undo (redo)
        setProgress(0, m_document.partsLeft());
    }
    if (!m_document.inParts(m_token))
        return Outcome::Interrupted;
    const qsizetype first = m_document.doPart(m_token, partSize);
    if (first >= 0)
        m_firstChanged = m_firstChanged < 0 ? first : std::min(m_firstChanged, first);
    setProgress(total() - m_document.partsLeft(), total());
    if (m_document.partsLeft() > 0)
        return std::nullopt;
    m_document.endInParts(m_token);
    return Outcome::Done;
}

void UndoJob::stopHere()
{
    m_document.endInParts(m_token);
}
