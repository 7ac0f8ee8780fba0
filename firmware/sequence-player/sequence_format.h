// SPDX-License-Identifier: MIT
#pragma once

// How an exported program holds its sequence in program memory, one entry per
// line of the sequence, in the order they play:
//
//   line  := count (1 byte) wait (2 bytes) entry{count}
//   wait  := ms until the next line; 0: the period in force, as playback keeps
//            it; with stopBit: playback halts after the line
//   entry := group (2 bytes: slot << slotShift | ownSpeedBit? | pulse - minPulse)
//            [speed (2 bytes), with ownSpeedBit; 0: no limit]
//          | timeSlot marker, then T (4 bytes, ms)
//          | speedSlot marker, then the speed (2 bytes) of the line's groups
//            without one of their own; until then they have no limit
//          | replacedSlot marker: the group after it was replaced by a later
//            one for the same servo; it only holds the line's T to its time
//
// Numbers are little-endian. Markers come before the groups they concern. The
// exported sketch and the console that writes it both read this file.

#include <stdint.h>

namespace sequenceformat {

const uint8_t slotShift = 12;
const uint16_t ownSpeedBit = 0x0800;
const uint16_t pulseMask = 0x07FF;
const int16_t minPulse = 500;
const uint8_t timeSlot = 15;
const uint8_t speedSlot = 14;
const uint8_t replacedSlot = 13;
const uint8_t maxEntries = 255;
const uint16_t stopBit = 0x8000;
const uint16_t waitMask = 0x7FFF;
// An eased servo's share of the way at equal steps of its time, 0..65535.
const uint8_t curvePoints = 33;
const uint16_t wholeWay = 65535;

} // namespace sequenceformat
