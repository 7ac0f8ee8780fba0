// SPDX-License-Identifier: MIT
#pragma once

// The arm as the board has it: every command the program wrote to the port, at
// the time it left (µs on the monotonic clock), carried out by the shared motion
// model, so the joints ramp and lag as the board moves them.
//
// Commands are read as the board reads them: groups #<channel>P<pulse>[S<speed>]
// and an optional T<time>, blanks between groups allowed, ended by CR or LF. A
// group the board would not carry out (a channel outside 0..31, a pulse outside
// 500..2500, no pulse) is left out; the rest of its command still moves.

#include "shared/motion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <map>
#include <optional>

namespace armtwin {

struct Command {
    QList<motion::Target> targets;
    std::optional<int> timeMs;
};

// One command without its line end.
Command parse(QByteArrayView line);

class ArmTwin
{
public:
    explicit ArmTwin(double topRate = motion::defaultTopRate) : m_model(topRate) { }

    // Before the first command: the arm stands at `pulses` (channel → pulse),
    // where an earlier run left the board, rather than at rest.
    void standAt(const std::map<int, int> &pulses);

    // Bytes as they left for the port at `timeUs`: whole commands, or parts of
    // one; a command acts when its line end has left.
    void sent(QByteArrayView bytes, qint64 timeUs);

    double pulse(int channel, qint64 timeUs) const { return m_model.position(channel, timeUs); }
    bool moving(qint64 timeUs) const { return m_model.moving(timeUs); }

private:
    motion::MotionModel m_model;
    QByteArray m_pending;
    bool m_overlong = false;
};

} // namespace armtwin
