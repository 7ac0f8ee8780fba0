// SPDX-License-Identifier: MIT
#include "pacedreader.h"

#include <cmath>

namespace {

constexpr double usPerSecond = 1e6;
constexpr int retryAfterFailureMs = 100;
constexpr double chunkUs = 2000;

} // namespace

void LinePacer::notice(qint64 nowUs)
{
    m_lineFreeUs = std::max(m_lineFreeUs, double(nowUs));
}

qsizetype LinePacer::carried(qint64 nowUs, double bytesPerSecond) const
{
    return std::max<qsizetype>(0, qsizetype(std::floor((double(nowUs) - m_lineFreeUs) * bytesPerSecond / usPerSecond)));
}

void LinePacer::take(qsizetype bytes, double bytesPerSecond)
{
    m_lineFreeUs += double(bytes) * usPerSecond / bytesPerSecond;
}

qint64 LinePacer::carriedAt(qsizetype bytes, double bytesPerSecond) const
{
    return qint64(std::ceil(m_lineFreeUs + double(bytes) * usPerSecond / bytesPerSecond));
}

PacedReader::PacedReader(BoardTerminal &terminal, bool pacing, QObject *parent)
    : QObject(parent), m_terminal(terminal), m_pacing(pacing), m_notifier(terminal.readFd(), QSocketNotifier::Read)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, [this] {
        m_notifier.setEnabled(true);
        readAvailable(false);
    });
    // The notifier is on only while the reader is not waiting for the line:
    // what it reports arrived on an idle line.
    connect(&m_notifier, &QSocketNotifier::activated, this, [this] { readAvailable(true); });
}

void PacedReader::readAvailable(bool noticed)
{
    char buffer[4096];
    const qint64 now = monotonicMicros();
    qsizetype wanted = sizeof buffer;
    double bytesPerSecond = 0;
    if (m_pacing) {
        const LineRate rate = m_terminal.lineRate();
        // A speed the terminal cannot name (0): paced as the program's default line.
        bytesPerSecond = rate.baud > 0 ? rate.bytesPerSecond() : 115200.0 / 10;
        const qsizetype waiting = m_terminal.pending();
        if (waiting == 0) {
            // Nothing counted as waiting: a read of one byte tells what the
            // terminal has (a failure is handled below), without spinning.
            wanted = 1;
        } else {
            wanted = std::min(wanted, waiting);
        }
        if (noticed)
            m_pacer.notice(now);
        const qsizetype carried = m_pacer.carried(now, bytesPerSecond);
        if (carried == 0) {
            // Wake when the line has carried what waits, or up to a chunk of
            // it: a command's end is seen at most a chunk's time late.
            const qsizetype chunk = std::max<qsizetype>(1, qsizetype(bytesPerSecond * chunkUs / usPerSecond));
            pauseUntil(m_pacer.carriedAt(std::min(wanted, chunk), bytesPerSecond), now);
            return;
        }
        wanted = std::min(wanted, carried);
    }
    const qsizetype count = m_terminal.read(buffer, wanted);
    if (count < 0) {
        // Not expected while the board holds the device end open; try again later
        // rather than spin.
        m_notifier.setEnabled(false);
        m_wake.start(retryAfterFailureMs);
        return;
    }
    if (count == 0)
        return;
    if (m_pacing) {
        m_pacer.take(count, bytesPerSecond);
        // More waiting behind: the line is still busy carrying it.
        if (m_terminal.pending() > 0)
            pauseUntil(m_pacer.carriedAt(1, bytesPerSecond), now);
    }
    Q_EMIT bytesArrived(QByteArray(buffer, count), now);
}
void PacedReader::pauseUntil(qint64 wakeUs, qint64 nowUs)
{
    m_notifier.setEnabled(false);
    m_wake.start(int(std::max<qint64>(1, (wakeUs - nowUs + 999) / 1000)));
}
