// SPDX-License-Identifier: MIT
#pragma once

// The board's command language, read a byte at a time as it comes off the
// line:
//
//   command := group+ [T<time>]      ended by CR or LF (CR LF: one line)
//   group   := #<channel>P<pulse>[S<speed>]
//
// channel 0..31, pulse 500..2500 µs, speed in µs of pulse per second (S0 or
// S without digits: no limit), time in ms for the whole move. Blanks may stand
// between groups and between the fields of a group (#5 P1500 S300). What
// cannot be used is skipped and the rest of the line still counts: an unknown
// channel, a pulse out of range, a group without P, any other character. A
// line with no end within 1024 bytes is dropped whole.

#include "servo_motion.h"

#include <stdint.h>

class CommandReader
{
public:
    static const uint8_t channelCount = 32;
    static const uint16_t maxLineLength = 1024;

    // How long a group's move would take now; a group replaced by a later
    // one for the same channel still holds the line's T to it.
    typedef uint32_t (*MoveTime)(const servomotion::Target &target);
    explicit CommandReader(MoveTime moveTime);

    // Takes one byte; true when it ended a line with groups to carry out.
    bool take(char byte);

    // The line just ended: one target per channel (its slot is the channel),
    // its T in ms (-1: none), and the longest move of the groups it replaced.
    const servomotion::Target *targets() const { return m_targets; }
    uint8_t count() const { return m_count; }
    int32_t timeMs() const { return m_timeMs; }
    uint32_t replacedUs() const { return m_replacedUs; }

private:
    enum State : uint8_t { Scan, Channel, BeforePulse, Pulse, AfterPulse, Speed, Time };

    void startNumber(State state);
    void endNumber();
    void endLine();
    void endGroup(uint32_t speed);

    MoveTime m_moveTime;
    State m_state = Scan;
    bool m_digits = false;   // the number being read has digits
    uint32_t m_number = 0;   // saturates
    uint32_t m_channel = 0;  // of the group being read; channelCount: none
    uint32_t m_pulse = 0;    // 0: none
    uint16_t m_length = 0;   // bytes of the line so far
    bool m_dropping = false; // the line is too long: skip to its end
    bool m_ended = false;    // the line's results stay until the next byte

    servomotion::Target m_targets[channelCount];
    uint8_t m_count = 0;
    int32_t m_timeMs = -1;
    uint32_t m_replacedUs = 0;
};
