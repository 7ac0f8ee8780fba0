// SPDX-License-Identifier: MIT
#pragma once

// Servo motion in time, as the console and its virtual board compute it: each
// servo moves in a straight line from where it is toward its target
//   - with a speed: at that many µs of pulse width per second;
//   - with a time T: so that every servo of the command arrives together when
//     the slowest of them can, and not before T ms;
//   - never faster than a servo's top rate, 0.1 s per 60 degrees with 2000 µs
//     of pulse width for 180 degrees: 150 µs of time per µs of pulse.
// A command for a moving servo retargets it from where it is at that moment.
// Every servo rests at 1500 µs until its first command.
//
// Times are micros() of the Arduino core: they wrap after 71 minutes, so a
// move is held to at most maxMoveUs and settle() runs at least every few
// minutes (the frames run it every 20 ms).

#include <stdint.h>

namespace servomotion {

const int16_t restPulse = 1500;
const float usPerPulseAtTopRate = 150.0f;
const uint32_t usPerSecond = 1000000UL;
// 2,000 s: the slowest move a speed of 1 µs/s makes over the whole range.
const uint32_t maxMoveUs = 2000000000UL;

struct Target {
    uint8_t slot;   // which servo of the motion
    int16_t pulse;  // µs
    uint16_t speed; // µs of pulse per second; 0: no limit
};

// The shape of a move between its ends: a fraction of the way for a fraction
// of the time. Straight by default.
inline float straight(uint8_t, float timeFraction)
{
    return timeFraction;
}
typedef float (*Shape)(uint8_t slot, float timeFraction);

// How long a move of `distance` µs of pulse takes at `speed` (0: the top rate).
inline uint32_t moveUs(float distance, uint16_t speed)
{
    float us = distance * usPerPulseAtTopRate;
    if (speed != 0) {
        const float limited = distance * (float(usPerSecond) / float(speed));
        if (limited > us)
            us = limited;
    }
    if (us >= float(maxMoveUs))
        return maxMoveUs;
    const uint32_t whole = uint32_t(us);
    return float(whole) < us ? whole + 1 : whole;
}

template <uint8_t Slots>
class Motion
{
public:
    explicit Motion(Shape shape = straight) : m_shape(shape)
    {
        for (uint8_t i = 0; i < Slots; ++i) {
            m_moves[i].from = restPulse;
            m_moves[i].to = restPulse;
            m_moves[i].startUs = 0;
            m_moves[i].durationUs = 0;
            m_moves[i].commanded = false;
        }
    }

    // Carries out one command that arrived at `nowUs`. `timeMs` < 0: no T.
    // `slowestUs` is a move the command holds its channels to besides their own
    // (a group the command later replaced), 0 when none.
    void apply(const Target *targets, uint8_t count, int32_t timeMs, uint32_t nowUs, uint32_t slowestUs = 0)
    {
        uint32_t slowest = slowestUs;
        if (timeMs >= 0) {
            const uint32_t asked = uint32_t(timeMs) >= maxMoveUs / 1000 ? maxMoveUs : uint32_t(timeMs) * 1000UL;
            if (asked > slowest)
                slowest = asked;
        }
        uint32_t own[Slots];
        for (uint8_t i = 0; i < count; ++i) {
            own[i] = moveUs(distance(targets[i], nowUs), targets[i].speed);
            if (own[i] > slowest)
                slowest = own[i];
        }
        for (uint8_t i = 0; i < count; ++i) {
            Move &move = m_moves[targets[i].slot];
            move.from = position(targets[i].slot, nowUs);
            move.to = targets[i].pulse;
            move.startUs = nowUs;
            move.durationUs = timeMs >= 0 ? slowest : own[i];
            move.commanded = true;
        }
    }

    // How long the slot's move to `target` would take from where it is at `nowUs`.
    uint32_t moveFor(const Target &target, uint32_t nowUs) const
    {
        return moveUs(distance(target, nowUs), target.speed);
    }

    // At `nowUs`, which may be before the move starts (it was given ahead).
    float position(uint8_t slot, uint32_t nowUs) const
    {
        const Move &move = m_moves[slot];
        const uint32_t elapsed = nowUs - move.startUs;
        if (int32_t(elapsed) < 0)
            return move.from;
        if (elapsed >= move.durationUs)
            return move.to;
        const float fraction = m_shape(slot, float(elapsed) / float(move.durationUs));
        return move.from + (float(move.to) - move.from) * fraction;
    }

    bool commanded(uint8_t slot) const { return m_moves[slot].commanded; }

    // Puts a servo at `pulse` at once, as if it had been there all along.
    void hold(uint8_t slot, int16_t pulse)
    {
        Move &move = m_moves[slot];
        move.from = pulse;
        move.to = pulse;
        move.startUs = 0;
        move.durationUs = 0;
        move.commanded = true;
    }

    // Moves that have arrived forget when they started, so the clock's wrap
    // never sets them going again. One given to start later is left alone.
    void settle(uint32_t nowUs)
    {
        for (uint8_t i = 0; i < Slots; ++i) {
            Move &move = m_moves[i];
            const uint32_t elapsed = nowUs - move.startUs;
            if (int32_t(elapsed) >= 0 && elapsed >= move.durationUs) {
                move.from = move.to;
                move.startUs = nowUs;
                move.durationUs = 0;
            }
        }
    }

private:
    struct Move {
        float from;
        int16_t to;
        uint32_t startUs;
        uint32_t durationUs;
        bool commanded;
    };

    float distance(const Target &target, uint32_t nowUs) const
    {
        const float d = float(target.pulse) - position(target.slot, nowUs);
        return d < 0 ? -d : d;
    }

    Move m_moves[Slots];
    Shape m_shape;
};

} // namespace servomotion
