// SPDX-License-Identifier: MIT
#pragma once

#include "core/edithistory.h"
#include "core/sequencejob.h"

class SequenceDocument;

// Undoes or redoes one step of the sequence's history in parts: a stretch over
// a million lines is taken back without holding the window. Stopped midway,
// the part done and the part left are two steps of the history.
class UndoJob final : public SequenceJob
{
    Q_OBJECT

public:
    // Replacements made in one part.
    static constexpr qsizetype partSize = 2048;

    UndoJob(SequenceDocument &document, EditHistory::Direction direction, QObject *parent = nullptr);

    // The first line changed so far, -1 for none.
    qsizetype firstChanged() const { return m_firstChanged; }

protected:
    std::optional<Outcome> runPart() override;
    void stopHere() override;

private:
    SequenceDocument &m_document;
    EditHistory::Direction m_direction;
    quint64 m_token = 0;
    qsizetype m_firstChanged = -1;
};
