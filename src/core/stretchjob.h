// SPDX-License-Identifier: MIT
#pragma once

#include "core/sequencejob.h"

#include <vector>

class PoseTimeline;
class SequenceDocument;

// Gives each line from `first` to `last` that cannot arrive in its interval
// the least one that lets it (poseline::stretchedInterval), by the figures of
// the sequence as it stood when the job began: first reads them all, then
// writes the new intervals, both in parts. What it writes is one step of the
// history, however many parts it takes; cancelled while writing, the lines
// written so far stay stretched, that step undoing them. A change made to the
// sequence by anything else meanwhile stops it (Interrupted).
class StretchJob final : public SequenceJob
{
    Q_OBJECT

public:
    // Lines read, or written, in one part.
    static constexpr qsizetype partLines = 2048;

    StretchJob(SequenceDocument &document, PoseTimeline &timeline, qsizetype first, qsizetype last,
               QObject *parent = nullptr);

    // Lines given a new interval so far.
    qsizetype changed() const { return m_stretched; }

protected:
    std::optional<Outcome> runPart() override;

private:
    struct Change {
        qsizetype line;
        int interval;
    };

    // Reads up to `lines` lines; false once the sequence changed meanwhile.
    bool read(qsizetype lines);
    // Writes up to `lines` of the changes read; false once the step can no
    // longer be added to.
    bool write(qsizetype lines);
    void showProgress();

    SequenceDocument &m_document;
    PoseTimeline &m_timeline;
    qsizetype m_first;
    qsizetype m_last;
    qsizetype m_next; // the next line to read
    bool m_stale = false;
    std::vector<Change> m_changes;
    qsizetype m_written = 0; // of m_changes
    qsizetype m_stretched = 0;
    quint64 m_step = 0;
};
