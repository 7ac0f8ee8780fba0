// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

// How many of the bytes handed to the device can still be in its buffers, by
// the line's rate alone: a byte handed over at time t has not left before the
// line could carry everything handed over before it. The drivers' own counts
// (where there is one) leave out the adapter's buffers; this bound does not.
// Times are microseconds on a steady clock, passed in.
class LinePacer
{
public:
    void setBytesPerSecond(double bytesPerSecond) { m_bytesPerSecond = bytesPerSecond; }
    double bytesPerSecond() const { return m_bytesPerSecond; }

    void handedOver(qint64 bytes, qint64 nowUs);
    // Bytes that may still wait for the line at `nowUs`.
    qint64 backlog(qint64 nowUs) const;
    // Microseconds from `nowUs` until at most `bytes` can still wait.
    qint64 usUntilBacklogIs(qint64 bytes, qint64 nowUs) const;

private:
    double m_bytesPerSecond = 11'520;
    double m_backlog = 0; // at m_sinceUs
    qint64 m_sinceUs = 0;
};
