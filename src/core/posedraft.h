// SPDX-License-Identifier: MIT
#pragma once

#include "core/sequenceline.h"
#include "shared/motion.h"

#include <QObject>
#include <QString>

#include <array>
#include <map>

// The pose being edited: each channel's pulse and whether it is ticked for
// recording, the speed text that goes with every live move, and the interval
// the next recorded line waits. The sliders and value boxes, the gripper's
// fields and both arm views show it; Add and Modify record it.
//
// Each change says where it came from. A move by the operator (a slider, a
// value box) or by the solver is a live move: the engine sends it, once. What
// follows the arm (a glide, a played line, a pose loaded, a stop) is only
// shown: it has gone out already, and sending it again would overtake it.
class PoseDraft final : public QObject
{
    Q_OBJECT

public:
    enum class Origin {
        Operator, // a slider, a value box, Reset: sent
        Solver,   // posing by the gripper: sent
        Gamepad,  // a pad or the keyboard as one: sent
        Glide,    // a glide has gone out: shown
        Playback, // a played line has gone out: shown
        Load,     // a line's pose loaded, or glided to: shown
        Stop,     // where the emergency stop held the arm: shown
    };
    // Whether a change from `origin` goes to the board as a live move.
    static bool isLiveMove(Origin origin);

    explicit PoseDraft(QObject *parent = nullptr);

    int pulse(int channel) const { return m_pulses[size_t(channel)]; }
    bool ticked(int channel) const { return m_ticked[size_t(channel)]; }
    // Ticked channels in index order, with their pulses.
    QList<sequenceline::Channel> tickedChannels() const;
    const QString &speedText() const { return m_speedText; }
    int interval() const { return m_interval; }

    // Moves `channel` to `pulse`. A live move is announced with moved() even
    // when the pulse is the one held already: a slider let go after a drag
    // sends its last value once more.
    void move(int channel, int pulse, Origin origin);
    // Several channels at once, ticking each: a pose shown or solved. Only
    // the channels it changes move.
    void show(const std::map<int, int> &pose, Origin origin);
    void setTicked(int channel, bool ticked);
    void setSpeedText(const QString &text);
    void setInterval(int ms);

    // The sequence line Add and Modify write: the interval, then every ticked
    // channel at its pulse with the speed text.
    QString line() const;

Q_SIGNALS:
    // A live move to send: before the views hear of the new pulse.
    void moved(int channel, int pulse, PoseDraft::Origin origin);
    // The pulse held for `channel` is now `pulse`.
    void pulseChanged(int channel, int pulse, PoseDraft::Origin origin);
    void tickChanged(int channel, bool ticked);
    void intervalChanged(int ms);

private:
    std::array<int, motion::channelCount> m_pulses;
    std::array<bool, motion::channelCount> m_ticked;
    QString m_speedText;
    int m_interval = 0;
};
