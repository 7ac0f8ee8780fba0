// SPDX-License-Identifier: MIT
#include "engine.h"

#include "core/easedmove.h"
#include "core/glidepose.h"
#include "core/recoverycopy.h"
#include "core/sequenceline.h"
#include "shared/wirecommand.h"

#include <QTimer>

#include <cmath>

namespace {

poseline::Easing easingOf(const ArmProfile &profile)
{
    poseline::Easing easing;
    for (int channel = 0; channel < motion::channelCount; ++channel)
        easing.curves[size_t(channel)] = profile.easingOf(channel);
    easing.stepMs = profile.motion.stepMs;
    return easing;
}

} // namespace

Engine::Engine(Setup setup, QObject *parent)
    : QObject(parent),
      m_clock(setup.clock ? setup.clock : &m_steadyClock),
      m_port(std::move(setup.port)),
      m_writer(*m_port, [this] { Q_EMIT portNotOpen(); }),
      m_journal(setup.sentPosePath, std::move(setup.journalSchedule)),
      m_loader(m_sequence),
      m_store(setup.sequencePath, RecoveryCopy::defaultDelay),
      m_timeline(m_sequence)
{
    OneShotTimer *timer = setup.playbackTimer;
    if (!timer) {
        // Timer1: playback's timer.
        m_timer1 = new QTimer(this);
        m_timer1->setObjectName(QStringLiteral("Timer1"));
        m_ownTimer = std::make_unique<QtOneShotTimer>(*m_timer1);
        timer = m_ownTimer.get();
    }
    m_playback = std::make_unique<Playback>(m_sequence, *timer, *m_clock, m_writer);
    m_profileAtStart = m_profile.load(armprofile::pathFor(m_store.path()));
    // The pose being edited starts with every channel at its home.
    for (int channel = 0; channel < motion::channelCount; ++channel)
        m_pose.move(channel, m_profile.channels().channel(channel).homePulse, PoseDraft::Origin::Load);
    wire();
}

Engine::~Engine()
{
    // Playback goes first: it refers to the timer, the clock and the writer.
    m_playback.reset();
}

void Engine::wire()
{
    // Every command is held to the limits in force as it leaves for the device.
    m_port->setFilter([this](const QString &text) {
        commandlimits::Result result = commandlimits::clamp(text, m_profile.channels());
        if (!result.clamps.isEmpty())
            Q_EMIT clamped(int(result.clamps.size()), result.clamps.last());
        return std::move(result.text);
    });
    connect(m_port.get(), &SerialPort::commandSent, this, [this](const QString &command) { onCommandSent(command); });
    connect(&m_pose, &PoseDraft::moved, this, [this](int channel, int pulse) {
        m_writer.writeMove(channel, sequenceline::moveCommand({channel, pulse}, m_pose.speedText()));
    });
    m_playback->setPieces([this](const QString &command) { return piecesOf(command); });
    connect(m_playback.get(), &Playback::sent, this, [this](const QString &command, Playback::Sent what) {
        if (what == Playback::Sent::Line)
            showSent(command, PoseDraft::Origin::Playback);
    });

    // What each line's timing is figured on: the line's rate, the limits, the playback speed.
    const auto followLine = [this] { m_timeline.setLine(m_port->bytesPerSecond()); };
    followLine();
    connect(m_port.get(), &SerialPort::settingsChanged, this, followLine);
    const auto followProfile = [this] {
        m_timeline.setLimits(m_profile.channels());
        m_timeline.setEasing(easingOf(m_profile.profile()));
    };
    followProfile();
    connect(&m_profile, &CurrentProfile::changed, this, followProfile);
    connect(m_playback.get(), &Playback::speedChanged, this, [this] { m_timeline.setSpeed(m_playback->speed()); });
}

SentPoseJournal::Loading Engine::loadJournal(std::optional<int> port)
{
    const SentPoseJournal::Loading loading = m_journal.load(port);
    m_twin.standAt(m_journal.pose());
    return loading;
}

void Engine::loadSequence(SequenceStore::Operator &asker)
{
    m_store.startUp({[this] { return m_sequence.text(); }, [this](const QString &text) { m_loader.load(text); },
                     [this] { m_sequence.setModified(false); }},
                    asker);
    // From here on every change is the operator's to keep.
    connect(&m_sequence, &SequenceDocument::changed, &m_store, &SequenceStore::textChanged);
}

QList<Playback::Piece> Engine::piecesOf(const QString &command)
{
    const poseline::Easing easing = easingOf(m_profile.profile());
    if (!easing.any())
        return {};
    const commandlimits::Result held = commandlimits::clamp(command, m_profile.channels());
    const wirecommand::Command read = wirecommand::read(QStringView(held.text));
    const easedmove::Plan plan = easedmove::compile({read.targets(), read.timeMs}, {m_twin.model(), m_clock->nowUs()},
                                                    {easing.curves, easing.stepMs, m_timeline.bytesPerSecond()});
    if (!plan.hasSteps())
        return {};
    // Held here, the pulses pass the port's own hold unchanged: told here.
    if (!held.clamps.isEmpty())
        Q_EMIT clamped(int(held.clamps.size()), held.clamps.last());
    QList<Playback::Piece> pieces;
    for (const easedmove::Command &step : plan.commands)
        pieces.append({step.text, step.dueUs});
    return pieces;
}

void Engine::onCommandSent(const QString &command)
{
    m_twin.sent(command.toLatin1(), m_clock->nowUs());
    m_journal.sent(command, QDateTime::currentDateTimeUtc());
    Q_EMIT twinMoved();
}

bool Engine::sendCommand(const QString &text)
{
    return m_writer.write(text + u'\r', PortWriter::WhenClosed::Report);
}

bool Engine::glideTo(const std::map<int, int> &pose, PoseDraft::Origin shownAs)
{
    if (!m_playback->glideTo(pose))
        return false;
    // Shown as it went out (held to the limits), not sent again: a move of
    // each channel now would overtake the glide at the speed box's speed.
    std::map<int, int> shown;
    for (const auto &[channel, pulse] : pose)
        shown[channel] = m_profile.channels().held(channel, pulse);
    m_pose.show(shown, shownAs);
    return true;
}

bool Engine::glideHome()
{
    glidepose::Pose home;
    for (const sequenceline::Channel &ticked : m_pose.tickedChannels())
        home[ticked.index] = m_profile.channels().channel(ticked.index).homePulse;
    return glideTo(home);
}

bool Engine::glideToLastPose()
{
    return glideTo(m_journal.pose());
}

std::map<int, int> Engine::emergencyStop()
{
    m_playback->stopAndDiscard();
    std::map<int, int> hold;
    const qint64 now = m_clock->nowUs();
    for (int channel = 0; channel < motion::channelCount; ++channel) {
        if (m_twin.moving(channel, now))
            hold[channel] = int(std::lround(m_twin.pulse(channel, now)));
    }
    if (hold.empty())
        return hold;
    QList<motion::Target> targets;
    for (const auto &[channel, pulse] : hold)
        targets.append({channel, pulse, std::nullopt});
    if (!m_writer.write(wirecommand::write(targets), PortWriter::WhenClosed::Silent))
        return {};
    if (m_poseFollowsArm)
        m_pose.show(hold, PoseDraft::Origin::Stop);
    return hold;
}

void Engine::setPoseFollowsArm(bool follows)
{
    m_poseFollowsArm = follows;
}

void Engine::showSent(const QString &command, PoseDraft::Origin origin)
{
    if (!m_poseFollowsArm)
        return;
    std::map<int, int> pose;
    for (const motion::Target &target : wirecommand::read(held(command)).targets())
        pose[target.channel] = target.pulse;
    // A played line shows where it sent the arm; the columns ticked stay as they are.
    for (const auto &[channel, pulse] : pose)
        m_pose.move(channel, pulse, origin);
}

QString Engine::held(const QString &command) const
{
    return commandlimits::clamp(command, m_profile.channels()).text;
}
