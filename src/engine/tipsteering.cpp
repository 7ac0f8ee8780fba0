// SPDX-License-Identifier: MIT
#include "tipsteering.h"

#include "core/currentprofile.h"
#include "core/posedraft.h"

#include <map>

kinematics::JointLimits jointLimits(const CurrentProfile &profile)
{
    const ChannelSetup &channels = profile.channels();
    kinematics::JointLimits limits;
    for (int joint = 0; joint < arm::jointCount; ++joint) {
        const ChannelSetup::Channel &channel = channels.channel(profile.arm().channels[size_t(joint)]);
        limits[size_t(joint)] = {channel.minimumPulse, channel.maximumPulse};
    }
    return limits;
}

TipSteering::TipSteering(PoseDraft &pose, const CurrentProfile &profile, QObject *parent)
    : QObject(parent), m_pose(pose), m_profile(profile)
{
    // Another arm puts the same pulses somewhere else.
    connect(&profile, &CurrentProfile::changed, this, [this] { m_kept.reset(); });
}

kinematics::Tip TipSteering::tip() const
{
    const ArmPulses pulses = armPulses();
    if (m_kept && m_kept->pulses == pulses)
        return m_kept->tip;
    kinematics::JointPulses all{};
    for (int joint = 0; joint < arm::jointCount; ++joint)
        all[size_t(joint)] = m_pose.pulse(m_profile.arm().channels[size_t(joint)]);
    return kinematics::forward(m_profile.arm(), all).tip;
}

bool TipSteering::step(const TipStep &step)
{
    const kinematics::Tip target = tip() + step;
    const kinematics::Solution solution = kinematics::inverse(m_profile.arm(), jointLimits(m_profile), target);
    if (!solution.solved()) {
        Q_EMIT refused(*solution.refusal);
        return false;
    }
    m_kept = Kept{target, solution.pulses};
    std::map<int, int> pose;
    for (size_t joint = 0; joint < solution.pulses.size(); ++joint)
        pose[m_profile.arm().channels[joint]] = solution.pulses[joint];
    m_pose.show(pose, PoseDraft::Origin::Gamepad);
    return true;
}

TipSteering::ArmPulses TipSteering::armPulses() const
{
    ArmPulses pulses{};
    for (size_t joint = 0; joint < pulses.size(); ++joint)
        pulses[joint] = m_pose.pulse(m_profile.arm().channels[joint]);
    return pulses;
}
