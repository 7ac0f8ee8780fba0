// SPDX-License-Identifier: MIT
#include "servo_pulses.h"

#include <Arduino.h>
#include <avr/interrupt.h>
#include <util/atomic.h>

namespace servopulses {

namespace {

const uint16_t ticksPerUs = 2; // timer 1 at 16 MHz / 8, counting round 0..65535
const uint16_t frameTicks = uint16_t(frameUs * ticksPerUs);
// After begin(): time for the sketch to hand in the first frame's widths.
const uint16_t firstRiseTicks = 4000;
// The interrupt comes this early before an edge and waits for its tick. For
// the last 12 µs it holds other interrupts off: none starts then, and one that
// started before (the core's clock takes about 6 µs, a byte of the line 4) has
// ended by the tick.
const uint16_t wakeTicks = 40;
const uint16_t quietTicks = 24;
// An edge this close after the one before is waited for in the same interrupt.
const uint16_t nearTicks = 100;
// The interrupt takes a few µs for each edge, so edges closer together than
// that would run late one after the other: falls within this span share one
// edge at its middle, and the next edge is always at least half of it later.
const uint16_t shareTicks = 16;
const uint16_t minWidth = 500;
const uint16_t maxWidth = 2500;

enum { portB, portC, portD, portCount };

struct Edge {
    uint16_t ticks; // after the rise
    uint8_t mask[portCount];
};

// edge[0] is the rise of every pin with a pulse, then the falls in time order.
struct Frame {
    uint8_t edges;
    Edge edge[maxServos + 1];
};

uint8_t servoCount;
uint8_t servoPort[maxServos];
uint8_t servoMask[maxServos];

// One frame in use, one handed in and waiting for its rise, one being filled.
Frame frames[3];
volatile uint8_t active;
volatile int8_t ready = -1;
volatile uint8_t risen;       // frames that have risen, wrapping
volatile uint32_t lastRiseUs; // micros() at the last rise
// The interrupt's own: the timer's count at the frame's rise, the next edge.
uint16_t riseTick;
uint8_t nextEdge;

inline void waitFor(uint16_t tick)
{
    if (int16_t(tick - TCNT1) > int16_t(quietTicks)) {
        sei();
        while (int16_t(tick - TCNT1) > int16_t(quietTicks)) { }
        cli();
    }
    while (int16_t(tick - TCNT1) > 0) { }
}

void startFrame()
{
    if (ready >= 0) {
        active = uint8_t(ready);
        ready = -1;
    }
}

} // namespace

void begin(const uint8_t *pins, uint8_t count)
{
    servoCount = count < maxServos ? count : maxServos;
    for (uint8_t i = 0; i < servoCount; ++i) {
        digitalWrite(pins[i], LOW);
        pinMode(pins[i], OUTPUT);
        volatile uint8_t *const port = portOutputRegister(digitalPinToPort(pins[i]));
        servoPort[i] = port == &PORTB ? portB : port == &PORTC ? portC : portD;
        servoMask[i] = port == &PORTB || port == &PORTC || port == &PORTD ? digitalPinToBitMask(pins[i]) : 0;
    }
    frames[0].edges = 1;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        // Counting round, clock / 8; the pins are ours, not the timer's outputs.
        TCCR1A = 0;
        TCCR1B = _BV(CS11);
        riseTick = TCNT1 + firstRiseTicks;
        lastRiseUs = micros() + firstRiseTicks / ticksPerUs - frameUs;
        OCR1A = riseTick - wakeTicks;
        TIFR1 = _BV(OCF1A);
        TIMSK1 = _BV(OCIE1A);
    }
}

Upcoming upcoming()
{
    Upcoming next;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        next.frame = risen;
        next.riseUs = lastRiseUs + frameUs;
    }
    return next;
}

void publish(const uint16_t *widths)
{
    uint8_t spare;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        spare = ready >= 0 ? uint8_t(3 - active - ready) : uint8_t((active + 1) % 3);
    }
    Frame &frame = frames[spare];
    Edge &rise = frame.edge[0];
    rise.ticks = 0;
    rise.mask[portB] = rise.mask[portC] = rise.mask[portD] = 0;
    frame.edges = 1;
    for (uint8_t i = 0; i < servoCount; ++i) {
        if (widths[i] == offWidth || servoMask[i] == 0)
            continue;
        const uint16_t width = widths[i] < minWidth ? minWidth : widths[i] > maxWidth ? maxWidth : widths[i];
        const uint16_t ticks = width * ticksPerUs;
        rise.mask[servoPort[i]] |= servoMask[i];
        // Into its place among the falls; pins that fall together share one.
        uint8_t at = 1;
        while (at < frame.edges && frame.edge[at].ticks < ticks)
            ++at;
        if (at == frame.edges || frame.edge[at].ticks != ticks) {
            for (uint8_t j = frame.edges; j > at; --j)
                frame.edge[j] = frame.edge[j - 1];
            ++frame.edges;
            frame.edge[at].ticks = ticks;
            frame.edge[at].mask[portB] = frame.edge[at].mask[portC] = frame.edge[at].mask[portD] = 0;
        }
        frame.edge[at].mask[servoPort[i]] |= servoMask[i];
    }
    uint8_t shared = 1;
    for (uint8_t i = 1; i < frame.edges; ++shared) {
        Edge together = frame.edge[i];
        const uint16_t first = together.ticks;
        uint16_t last = first;
        for (++i; i < frame.edges && frame.edge[i].ticks - first <= shareTicks; ++i) {
            last = frame.edge[i].ticks;
            for (uint8_t port = 0; port < portCount; ++port)
                together.mask[port] |= frame.edge[i].mask[port];
        }
        together.ticks = first + (last - first) / 2;
        frame.edge[shared] = together;
    }
    frame.edges = shared;
    ATOMIC_BLOCK(ATOMIC_RESTORESTATE)
    {
        ready = int8_t(spare);
    }
}

} // namespace servopulses

using namespace servopulses;

ISR(TIMER1_COMPA_vect)
{
    if (nextEdge == 0)
        startFrame();
    const Frame &frame = frames[active];
    for (;;) {
        const Edge &edge = frame.edge[nextEdge];
        waitFor(riseTick + edge.ticks);
        if (nextEdge == 0) {
            PORTB |= edge.mask[portB];
            PORTC |= edge.mask[portC];
            PORTD |= edge.mask[portD];
            ++risen;
            lastRiseUs = micros();
        } else {
            PORTB &= uint8_t(~edge.mask[portB]);
            PORTC &= uint8_t(~edge.mask[portC]);
            PORTD &= uint8_t(~edge.mask[portD]);
        }
        if (++nextEdge == frame.edges) {
            nextEdge = 0;
            riseTick += frameTicks;
            OCR1A = riseTick - wakeTicks;
            return;
        }
        const uint16_t next = riseTick + frame.edge[nextEdge].ticks;
        if (int16_t(next - TCNT1) > int16_t(nearTicks)) {
            OCR1A = next - wakeTicks;
            return;
        }
    }
}
