// SPDX-License-Identifier: MIT
// A servo-console sequence played by an Arduino Uno on its own, as the console
// plays it: the same poses, intervals, speeds and T, each servo's easing, the
// channels' limits already held. Made by `servo-console --export-sketch`; the
// sequence, the pins and the servos' homes are in sequence_data.h.
//
// At power-up every servo holds its home pulse for the glide time, then all
// glide together into the first line's pose in the glide time; then the lines
// play from the first, each waiting its interval, once or again and again.
// The servos get a pulse every 20 ms throughout and hold the last pose at the
// end.

#include "sequence_data.h"
#include "sequence_format.h"
#include "servo_motion.h"
#include "servo_pulses.h"

#include <avr/pgmspace.h>
#include <avr/sleep.h>

using namespace sequencedata;
using namespace sequenceformat;

// The share of the way an eased servo has done when `t` of its time has gone:
// its curve's table, straight between the points.
float eased(uint8_t slot, float t)
{
    if (curves[slot] == linear)
        return t;
    const float at = t * (curvePoints - 1);
    const uint8_t point = uint8_t(at);
    if (point >= curvePoints - 1)
        return 1;
    const uint16_t *row = curveTable[curves[slot]];
    const float before = pgm_read_word(row + point);
    const float after = pgm_read_word(row + point + 1);
    return (before + (after - before) * (at - point)) / wholeWay;
}

servomotion::Motion<servoCount> motion(eased);

enum Phase : uint8_t { Holding, Playing, Done };
Phase phase = Holding;
uint32_t dueUs;          // when the next step is due, on micros()
uint16_t periodMs;       // the period in force, for lines that keep it
uint16_t line;           // the next line to play
const uint8_t *nextLine; // where it starts in the table
uint8_t preparedFrame;
bool prepared = false; // the frame that rises next has its widths

// Carries out the line at `at` as a command that arrived at `whenUs`. Returns
// where the next line starts; `wait` is the line's wait word.
const uint8_t *carryOut(const uint8_t *at, uint32_t whenUs, uint16_t &wait)
{
    uint8_t entries = pgm_read_byte(at++);
    wait = pgm_read_word(at);
    at += 2;
    servomotion::Target targets[servoCount];
    uint8_t count = 0;
    int32_t timeMs = -1;
    uint16_t lineSpeed = 0;
    bool replaced = false;
    uint32_t replacedUs = 0;
    for (; entries > 0; --entries) {
        const uint16_t word = pgm_read_word(at);
        at += 2;
        const uint8_t slot = word >> slotShift;
        if (slot == timeSlot) {
            timeMs = int32_t(pgm_read_dword(at));
            at += 4;
        } else if (slot == speedSlot) {
            lineSpeed = pgm_read_word(at);
            at += 2;
        } else if (slot == replacedSlot) {
            replaced = true;
        } else {
            servomotion::Target target;
            target.slot = slot;
            target.pulse = int16_t(minPulse + (word & pulseMask));
            target.speed = lineSpeed;
            if (word & ownSpeedBit) {
                target.speed = pgm_read_word(at);
                at += 2;
            }
            if (replaced) {
                const uint32_t us = motion.moveFor(target, whenUs);
                replacedUs = us > replacedUs ? us : replacedUs;
                replaced = false;
            } else {
                targets[count++] = target;
            }
        }
    }
    motion.apply(targets, count, timeMs, whenUs, replacedUs);
    return at;
}

void step()
{
    uint16_t wait;
    if (phase == Holding) {
        carryOut(glide, dueUs, wait);
        dueUs += glideMs * 1000UL;
        phase = Playing;
        return;
    }
    nextLine = carryOut(nextLine, dueUs, wait);
    if ((wait & waitMask) != 0)
        periodMs = wait & waitMask;
    dueUs += periodMs * 1000UL;
    if (wait & stopBit) {
        phase = Done;
    } else if (++line == lineCount) {
        line = 0;
        nextLine = lines;
        if (!looping)
            phase = Done;
    }
}

void prepareFrame(const servopulses::Upcoming &next)
{
    motion.settle(micros());
    uint16_t widths[servoCount];
    for (uint8_t slot = 0; slot < servoCount; ++slot)
        widths[slot] = uint16_t(motion.position(slot, next.riseUs) + 0.5f);
    servopulses::publish(widths);
    preparedFrame = next.frame;
    prepared = true;
}

// Until the next interrupt: the core's clock (every 1 ms) or a frame.
void sleepUntilInterrupt()
{
    set_sleep_mode(SLEEP_MODE_IDLE);
    sleep_mode();
}

void setup()
{
    uint8_t pinList[servoCount];
    for (uint8_t slot = 0; slot < servoCount; ++slot) {
        pinList[slot] = pins[slot];
        motion.hold(slot, homes[slot]);
    }
    servopulses::begin(pinList, servoCount);
    // The sequence's clock starts with the first frame.
    dueUs = servopulses::upcoming().riseUs + glideMs * 1000UL;
    periodMs = firstPeriodMs;
    nextLine = lines;
}

void loop()
{
    const servopulses::Upcoming next = servopulses::upcoming();
    bool changed = false;
    // What is due by the next frame, at its own time.
    while (phase != Done && int32_t(next.riseUs - dueUs) >= 0) {
        step();
        changed = true;
    }
    if (changed || !prepared || next.frame != preparedFrame)
        prepareFrame(next);
    sleepUntilInterrupt();
}
