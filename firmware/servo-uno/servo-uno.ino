// SPDX-License-Identifier: MIT
// servo-uno: an Arduino Uno as the console's servo board. It reads the board's
// commands on its USB serial port (115200 baud, 8N1), moves up to 12 servos
// as the console's motion model does (straight ramps at the commanded speed,
// T for the whole move, never faster than a servo can) and sends a pulse to
// each every 20 ms. It writes nothing back.
//
// A servo gets no pulse until its first command, so at power-up it stays
// where it is instead of being pulled to the middle.

#include "command_reader.h"
#include "servo_motion.h"
#include "servo_pulses.h"

#include <avr/sleep.h>

// Which pin drives which board channel: the channel as the console sends it
// (#5P1500: channel 5), the pin as printed on the Uno (2..13, or A0..A5).
// Up to 12 rows. The defaults are the console's first six columns, the arm.
struct ChannelPin {
    uint8_t channel;
    uint8_t pin;
};
const ChannelPin channelPins[] = {
    {5, 3},  // column 1: base turn
    {6, 5},  // column 2: shoulder
    {4, 6},  // column 3: elbow
    {3, 9},  // column 4: wrist
    {2, 10}, // column 5: wrist turn
    {1, 11}, // column 6: gripper
};

const uint32_t baudRate = 115200;
const uint8_t servoCount = sizeof(channelPins) / sizeof(channelPins[0]);
static_assert(servoCount <= servopulses::maxServos, "at most 12 servos");

// Every board channel moves, wired or not: a T waits for all of a command's.
servomotion::Motion<CommandReader::channelCount> motion;

uint32_t moveTimeNow(const servomotion::Target &target)
{
    return motion.moveFor(target, micros());
}

CommandReader reader(moveTimeNow);
uint8_t preparedFrame;
bool prepared = false; // the frame that rises next has its widths

void prepareFrame(const servopulses::Upcoming &next)
{
    motion.settle(micros());
    uint16_t widths[servoCount];
    for (uint8_t i = 0; i < servoCount; ++i) {
        const uint8_t channel = channelPins[i].channel;
        widths[i] =
            motion.commanded(channel) ? uint16_t(motion.position(channel, next.riseUs) + 0.5f) : servopulses::offWidth;
    }
    servopulses::publish(widths);
    preparedFrame = next.frame;
    prepared = true;
}

// Until the next interrupt: a byte, the core's clock (every 1 ms) or a frame.
void sleepUntilInterrupt()
{
    set_sleep_mode(SLEEP_MODE_IDLE);
    cli();
    if (Serial.available() == 0) {
        sleep_enable();
        sei(); // the instruction after sei() runs first: no wake-up is missed
        sleep_cpu();
        sleep_disable();
    }
    sei();
}

void setup()
{
    Serial.begin(baudRate);
    uint8_t pins[servoCount];
    for (uint8_t i = 0; i < servoCount; ++i)
        pins[i] = channelPins[i].pin;
    servopulses::begin(pins, servoCount);
}

void loop()
{
    while (Serial.available() > 0) {
        if (reader.take(char(Serial.read()))) {
            motion.apply(reader.targets(), reader.count(), reader.timeMs(), micros(), reader.replacedUs());
            prepared = false;
        }
    }
    const servopulses::Upcoming next = servopulses::upcoming();
    if (!prepared || next.frame != preparedFrame)
        prepareFrame(next);
    sleepUntilInterrupt();
}
