// SPDX-License-Identifier: MIT
#include "linepacer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double usPerSecond = 1e6;

} // namespace

void LinePacer::handedOver(qint64 bytes, qint64 nowUs)
{
    m_backlog = double(backlog(nowUs)) + double(bytes);
    m_sinceUs = nowUs;
}

qint64 LinePacer::backlog(qint64 nowUs) const
{
    const double gone = double(std::max<qint64>(nowUs - m_sinceUs, 0)) * m_bytesPerSecond / usPerSecond;
    return qint64(std::ceil(std::max(m_backlog - gone, 0.0)));
}

qint64 LinePacer::usUntilBacklogIs(qint64 bytes, qint64 nowUs) const
{
    const double excess = double(backlog(nowUs) - bytes);
    if (excess <= 0)
        return 0;
    return qint64(std::ceil(excess * usPerSecond / m_bytesPerSecond));
}
