// SPDX-License-Identifier: MIT
#include "command_reader.h"

namespace {

// Very long numbers stop growing here, as the console's own reader does.
const uint32_t saturation = 1000000000UL;
const uint32_t minPulse = 500;
const uint32_t maxPulse = 2500;
const uint32_t fastestSpeed = 65535; // far beyond the top rate: the same as any faster

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

CommandReader::CommandReader(MoveTime moveTime) : m_moveTime(moveTime) { }

bool CommandReader::take(char byte)
{
    if (m_ended) {
        m_count = 0;
        m_timeMs = -1;
        m_replacedUs = 0;
        m_length = 0;
        m_ended = false;
    }
    if (byte == '\r' || byte == '\n') {
        if (!m_dropping)
            endLine();
        const bool carry = !m_dropping && m_count > 0;
        m_dropping = false;
        m_state = Scan;
        m_ended = true;
        return carry;
    }
    if (m_dropping)
        return false;
    if (++m_length > maxLineLength) {
        m_dropping = true;
        m_count = 0;
        return false;
    }
    // A byte that ends a field is read again as what follows it.
    for (;;) {
        switch (m_state) {
        case Scan:
            if (byte == '#')
                startNumber(Channel);
            else if (byte == 'T')
                startNumber(Time);
            return false;
        case Channel:
        case Pulse:
        case Speed:
        case Time:
            if (isDigit(byte)) {
                const uint32_t digit = uint32_t(byte - '0');
                m_number = m_number >= saturation / 10 ? saturation : m_number * 10 + digit;
                m_digits = true;
                return false;
            }
            endNumber();
            break;
        case BeforePulse:
            if (isBlank(byte))
                return false;
            if (byte == 'P') {
                startNumber(Pulse);
                return false;
            }
            m_state = Scan; // a group without P: left out
            break;
        case AfterPulse:
            if (isBlank(byte))
                return false;
            if (byte == 'S') {
                startNumber(Speed);
                return false;
            }
            endGroup(0);
            break;
        }
    }
}

void CommandReader::startNumber(State state)
{
    m_state = state;
    m_number = 0;
    m_digits = false;
}

void CommandReader::endNumber()
{
    switch (m_state) {
    case Channel:
        m_channel = m_digits && m_number < channelCount ? m_number : channelCount;
        m_state = BeforePulse;
        break;
    case Pulse:
        m_pulse = m_digits ? m_number : 0;
        m_state = AfterPulse;
        break;
    case Speed:
        // S0, or S without digits: no limit.
        endGroup(m_number > fastestSpeed ? fastestSpeed : m_number);
        break;
    case Time:
        if (m_digits)
            m_timeMs = int32_t(m_number);
        m_state = Scan;
        break;
    default:
        break;
    }
}

void CommandReader::endLine()
{
    if (m_state == Channel || m_state == Pulse || m_state == Speed || m_state == Time)
        endNumber();
    if (m_state == AfterPulse)
        endGroup(0);
    m_state = Scan;
}

void CommandReader::endGroup(uint32_t speed)
{
    m_state = Scan;
    if (m_channel >= channelCount || m_pulse < minPulse || m_pulse > maxPulse)
        return;
    servomotion::Target target;
    target.slot = uint8_t(m_channel);
    target.pulse = int16_t(m_pulse);
    target.speed = uint16_t(speed);
    for (uint8_t i = 0; i < m_count; ++i) {
        if (m_targets[i].slot == target.slot) {
            const uint32_t replaced = m_moveTime(m_targets[i]);
            if (replaced > m_replacedUs)
                m_replacedUs = replaced;
            m_targets[i] = target;
            return;
        }
    }
    m_targets[m_count++] = target;
}
