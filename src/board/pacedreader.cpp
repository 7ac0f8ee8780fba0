#include "pacedreader.h"

#include <cmath>

namespace {

constexpr double usPerSecond = 1e6;
constexpr int retryAfterFailureMs = 100;

} // namespace

qsizetype LinePacer::allowance(qint64 nowUs, double bytesPerSecond)
{
    m_lineFreeUs = std::max(m_lineFreeUs, double(nowUs - burstUs));
    return qsizetype(std::floor((double(nowUs) - m_lineFreeUs) * bytesPerSecond / usPerSecond));
}

void LinePacer::take(qsizetype bytes, double bytesPerSecond)
{
    m_lineFreeUs += double(bytes) * usPerSecond / bytesPerSecond;
}

qint64 LinePacer::nextByteUs(double bytesPerSecond) const
{
    return qint64(std::ceil(m_lineFreeUs + usPerSecond / bytesPerSecond));
}

PacedReader::PacedReader(BoardTerminal &terminal, bool pacing, QObject *parent)
    : QObject(parent), m_terminal(terminal), m_pacing(pacing),
      m_notifier(terminal.readFd(), QSocketNotifier::Read)
{
    m_wake.setSingleShot(true);
    m_wake.setTimerType(Qt::PreciseTimer);
    connect(&m_wake, &QTimer::timeout, this, [this] {
        m_notifier.setEnabled(true);
        readAvailable();
    });
    connect(&m_notifier, &QSocketNotifier::activated, this, &PacedReader::readAvailable);
}

void PacedReader::readAvailable()
{
    char buffer[4096];
    const qint64 now = monotonicMicros();
    qsizetype wanted = sizeof buffer;
    double bytesPerSecond = 0;
    if (m_pacing) {
        const LineRate rate = m_terminal.lineRate();
        // A speed the terminal cannot name (0): paced as the program's default line.
        bytesPerSecond = rate.baud > 0 ? rate.bytesPerSecond() : 115200.0 / 10;
        wanted = std::min(wanted, m_pacer.allowance(now, bytesPerSecond));
        if (wanted == 0) {
            pauseUntil(m_pacer.nextByteUs(bytesPerSecond), now);
            return;
        }
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
        // Took all the line allowed: more may be waiting for the line to carry it.
        if (count == wanted)
            pauseUntil(m_pacer.nextByteUs(bytesPerSecond), now);
    }
    Q_EMIT bytesArrived(QByteArray(buffer, count), now);
}

void PacedReader::pauseUntil(qint64 wakeUs, qint64 nowUs)
{
    m_notifier.setEnabled(false);
    m_wake.start(int(std::max<qint64>(1, (wakeUs - nowUs + 999) / 1000)));
}
