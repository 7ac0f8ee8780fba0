// SPDX-License-Identifier: MIT
#include "posedraft.h"

bool PoseDraft::isLiveMove(Origin origin)
{
    return origin == Origin::Operator || origin == Origin::Solver || origin == Origin::Gamepad;
}

PoseDraft::PoseDraft(QObject *parent) : QObject(parent)
{
    m_pulses.fill(motion::restPulse);
    // The check boxes are ticked when the window is made; its start-up clears them.
    m_ticked.fill(true);
}

QList<sequenceline::Channel> PoseDraft::tickedChannels() const
{
    QList<sequenceline::Channel> ticked;
    for (int channel = 0; channel < motion::channelCount; ++channel) {
        if (m_ticked[size_t(channel)])
            ticked.append({channel, m_pulses[size_t(channel)]});
    }
    return ticked;
}

void PoseDraft::move(int channel, int pulse, Origin origin)
{
    int &held = m_pulses[size_t(channel)];
    const bool changed = held != pulse;
    held = pulse;
    if (isLiveMove(origin))
        Q_EMIT moved(channel, pulse, origin);
    if (changed)
        Q_EMIT pulseChanged(channel, pulse, origin);
}

void PoseDraft::show(const std::map<int, int> &pose, Origin origin)
{
    for (const auto &[channel, pulse] : pose) {
        setTicked(channel, true);
        if (pulse != m_pulses[size_t(channel)])
            move(channel, pulse, origin);
    }
}

void PoseDraft::setTicked(int channel, bool ticked)
{
    if (std::exchange(m_ticked[size_t(channel)], ticked) != ticked)
        Q_EMIT tickChanged(channel, ticked);
}

void PoseDraft::setSpeedText(const QString &text)
{
    m_speedText = text;
}

void PoseDraft::setInterval(int ms)
{
    if (std::exchange(m_interval, ms) != ms)
        Q_EMIT intervalChanged(ms);
}

QString PoseDraft::line() const
{
    return sequenceline::build(m_interval, tickedChannels(), m_speedText);
}
