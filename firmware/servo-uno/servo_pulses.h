// SPDX-License-Identifier: MIT
#pragma once

// Servo pulses on up to 12 pins, 50 frames a second. Timer 1 runs the frames:
// every 20 ms all pins of the frame rise together and each falls after its
// width (whole µs, 500..2500). The interrupt wakes a little before each edge
// and waits for its exact tick, so other interrupts (the serial line, the
// core's clock) do not shift an edge by more than a few µs. Pins that fall
// within 8 µs of each other fall together, at the middle of those 8 µs.
//
// The sketch hands in the widths of the next frame at any time before it
// rises; a frame that gets none repeats the widths of the one before.

#include <stdint.h>

namespace servopulses {

const uint8_t maxServos = 12;
const uint32_t frameUs = 20000;
const uint16_t offWidth = 0; // a servo that gets no pulse

// Takes the pins (Arduino numbers; 2..13 and A0..A5) and starts the frames;
// the first rises 2 ms later, time to publish its widths. Uses timer 1, so
// analogWrite() on pins 9 and 10 is not available.
void begin(const uint8_t *pins, uint8_t count);

// The frame that rises next: its number (counting up, wrapping) and when it
// rises on the micros() clock.
struct Upcoming {
    uint8_t frame;
    uint32_t riseUs;
};
Upcoming upcoming();

// The widths of the frame that rises next, in µs, of the pins in the order
// given to begin() (offWidth: that pin stays low). Published after the frame
// rose, they wait for the one after it.
void publish(const uint16_t *widths);

} // namespace servopulses
