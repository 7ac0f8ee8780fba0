// SPDX-License-Identifier: MIT
#include "currentprofile.h"

armprofile::Reading CurrentProfile::load(const QString &path)
{
    m_path = path;
    armprofile::Reading reading = armprofile::read(path);
    m_replacingAsks = !reading.problems.isEmpty();
    take(reading.profile);
    return reading;
}

std::optional<QString> CurrentProfile::save(const ArmProfile &profile)
{
    if (const std::optional<QString> failure = armprofile::write(m_path, profile))
        return failure;
    m_replacingAsks = false;
    take(profile);
    return std::nullopt;
}

std::optional<armprofile::Reading> CurrentProfile::adoptBeside(const QString &sequencePath)
{
    armprofile::Reading reading = armprofile::read(armprofile::pathFor(sequencePath));
    if (!reading.found)
        return std::nullopt;
    take(reading.profile);
    return reading;
}

void CurrentProfile::take(const ArmProfile &profile)
{
    if (profile == m_profile)
        return;
    m_profile = profile;
    Q_EMIT changed();
}
