// SPDX-License-Identifier: MIT
#include "sequencejob.h"

#include <QTimer>

SequenceJob::SequenceJob(QObject *parent) : QObject(parent), m_next(new QTimer(this))
{
    m_next->setInterval(0);
    connect(m_next, &QTimer::timeout, this, &SequenceJob::advance);
}

void SequenceJob::start()
{
    if (advance())
        m_next->start();
}

void SequenceJob::cancel()
{
    if (m_finished)
        return;
    stopHere();
    finish(Outcome::Cancelled);
}

bool SequenceJob::advance()
{
    if (m_finished)
        return false;
    const std::optional<Outcome> outcome = runPart();
    // Cancelled meanwhile, from a slot of its progress.
    if (m_finished)
        return false;
    if (!outcome)
        return true;
    if (*outcome != Outcome::Done)
        stopHere();
    finish(*outcome);
    return false;
}

void SequenceJob::setProgress(qsizetype done, qsizetype total)
{
    if (done == m_done && total == m_total)
        return;
    m_done = done;
    m_total = total;
    Q_EMIT progressed(done, total);
}

void SequenceJob::finish(Outcome outcome)
{
    m_next->stop();
    m_finished = true;
    m_outcome = outcome;
    Q_EMIT finished(outcome);
}
