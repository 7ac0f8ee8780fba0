// SPDX-License-Identifier: MIT
#pragma once

// The arm as the board has it: every command the program wrote to the port, at
// the time it left (µs on the monotonic clock), carried out by the shared motion
// model, so the joints ramp and lag as the board moves them.
//
// Commands are read as the board reads them (wirecommand), ended by CR or LF.

#include "shared/motion.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <map>
#include <optional>

namespace armtwin {

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
    bool moving(int channel, qint64 timeUs) const { return m_model.moving(channel, timeUs); }
    // How every channel is moving, for what is sent next to start from.
    const motion::MotionModel &model() const { return m_model; }

private:
    motion::MotionModel m_model;
    QByteArray m_pending;
    bool m_overlong = false;
};

} // namespace armtwin
