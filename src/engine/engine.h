// SPDX-License-Identifier: MIT
#pragma once

#include "core/armtwin.h"
#include "core/clock.h"
#include "core/currentprofile.h"
#include "core/posedraft.h"
#include "core/posetimeline.h"
#include "core/sentposejournal.h"
#include "core/sequencecursor.h"
#include "core/sequencedocument.h"
#include "core/sequenceloader.h"
#include "core/sequencestore.h"
#include "engine/playback.h"
#include "link/portwriter.h"
#include "link/serialport.h"
#include "shared/commandlimits.h"

#include <QObject>

#include <map>
#include <memory>

class QTimer;

// What the program is, without its windows: the port and the one rule for
// writing to it (with every command held to the profile's limits), the record
// of what was sent, cmd.txt and the sequence it holds, each line's timing, the
// profile in force, playback, the arm as the board has it (the twin), the pose
// being edited and the current line, all on one clock. The windows are views
// of these and call the operations below; nothing here needs a widget, so all
// of it runs in tests on a fake port in virtual time.
//
// Built before the windows and destroyed after them.
class Engine final : public QObject
{
    Q_OBJECT

public:
    struct Setup {
        std::unique_ptr<SerialPort> port; // owned from here on
        QString sequencePath;             // cmd.txt
        QString sentPosePath = SentPoseJournal::defaultPath();
        // The time everything runs on, and playback's timer (Timer1); both
        // outlive the engine. None: the machine's clock and a timer of its own.
        Clock *clock = nullptr;
        OneShotTimer *playbackTimer = nullptr;
        // Journal writes; none: on a timer.
        SentPoseJournal::Schedule journalSchedule = {};
    };

    explicit Engine(Setup setup, QObject *parent = nullptr);
    ~Engine() override;

    Clock &clock() { return *m_clock; }
    SerialPort &port() { return *m_port; }
    const PortWriter &writer() const { return m_writer; }
    SentPoseJournal &journal() { return m_journal; }
    SequenceStore &store() { return m_store; }
    SequenceDocument &sequence() { return m_sequence; }
    SequenceLoader &loader() { return m_loader; }
    PoseTimeline &timeline() { return m_timeline; }
    CurrentProfile &profile() { return m_profile; }
    const CurrentProfile &profile() const { return m_profile; }
    Playback &playback() { return *m_playback; }
    const armtwin::ArmTwin &twin() const { return m_twin; }
    PoseDraft &pose() { return m_pose; }
    SequenceCursor &cursor() { return m_cursor; }

    // What was read at construction: the profile beside cmd.txt (the pose
    // being edited starts at its homes). Its problems are the windows' to tell.
    const armprofile::Reading &profileAtStart() const { return m_profileAtStart; }
    // Reads the journal of what was sent to the board on port `port` (none: the
    // port is not known): the twin stands where that board was left.
    SentPoseJournal::Loading loadJournal(std::optional<int> port);
    // Loads cmd.txt into the sequence, asking `asker` what start-up needs to ask.
    void loadSequence(SequenceStore::Operator &asker);

    // Sends the manual command box's text and its CR; false when not sent.
    bool sendCommand(const QString &text);

    // Glides to `pose` (channel → pulse) in the glide time; the pose being
    // edited then shows it, ticked, without sending it again. False when
    // nothing went out.
    bool glideTo(const std::map<int, int> &pose, PoseDraft::Origin shownAs = PoseDraft::Origin::Glide);
    // Every ticked channel to its home pulse.
    bool glideHome();
    // Where the journal says the board was left.
    bool glideToLastPose();

    // 急停: stops playback and drops every command not yet on the wire, then
    // holds every channel the twin sees still moving where it has got to, in
    // one command (ascending channels, no speed). The channels held, with their
    // pulses; none when nothing was moving or the port is closed.
    std::map<int, int> emergencyStop();

    // After each played line, glide, load and stop the pose being edited shows
    // the pulses that went out (as held to the limits), without sending them.
    void setPoseFollowsArm(bool follows);
    bool poseFollowsArm() const { return m_poseFollowsArm; }

Q_SIGNALS:
    // A write that needed the port found it closed: the operator is to be told
    // now (a modal message runs inside the write).
    void portNotOpen();
    // `count` pulses of one command were held to their channels' limits; `last`
    // is the last of them.
    void clamped(int count, const commandlimits::Clamp &last);
    // More went out to the twin: the arm moves.
    void twinMoved();

private:
    void wire();
    // What playback sends for `command` when some of its channels are eased:
    // the steps that carry them along their curves from where the twin has
    // them (easedmove). None when it goes out as it is.
    QList<Playback::Piece> piecesOf(const QString &command);
    void onCommandSent(const QString &command);
    void showSent(const QString &command, PoseDraft::Origin origin);
    QString held(const QString &command) const;

    SteadyClock m_steadyClock;
    Clock *m_clock;
    const std::unique_ptr<SerialPort> m_port;
    CurrentProfile m_profile;
    PortWriter m_writer;
    SentPoseJournal m_journal;
    SequenceDocument m_sequence;
    SequenceLoader m_loader;
    SequenceStore m_store;
    PoseTimeline m_timeline;
    armtwin::ArmTwin m_twin;
    PoseDraft m_pose;
    SequenceCursor m_cursor;
    QTimer *m_timer1 = nullptr;
    std::unique_ptr<QtOneShotTimer> m_ownTimer;
    std::unique_ptr<Playback> m_playback;
    bool m_poseFollowsArm = false;
    armprofile::Reading m_profileAtStart;
};
