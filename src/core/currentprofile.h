// SPDX-License-Identifier: MIT
#pragma once

#include "shared/armprofile.h"

#include <QObject>

#include <optional>

// The arm profile the window works with and the file it came from. The
// channel panel, the line marks, the clamp on the way to the port and the
// windows that need the arm read it; they keep a reference to channels() or
// arm(), which stay the same objects for the window's life and take new values
// when changed() is raised.
class CurrentProfile final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    const ArmProfile &profile() const { return m_profile; }
    const ChannelSetup &channels() const { return m_profile.channels; }
    const arm::ArmGeometry &arm() const { return m_profile.arm; }
    const QString &path() const { return m_path; }

    // Reads `path` and takes what it could read; the reading's problems are the
    // caller's to tell. Raises changed() when the values differ.
    armprofile::Reading load(const QString &path);

    // Whether the file holds more than was read (problems, another version):
    // replacing it asks first.
    bool replacingAsks() const { return m_replacingAsks; }

    // Writes the profile to path() and, once written, takes it. The system's
    // reason on failure, when nothing is taken.
    std::optional<QString> save(const ArmProfile &profile);

    // The profile that came with a sequence opened from `sequencePath`
    // (<name>.arm.json beside it): taken when there is one, without writing
    // anything; none when there is no such file. path() stays where it was.
    std::optional<armprofile::Reading> adoptBeside(const QString &sequencePath);

Q_SIGNALS:
    void changed();

private:
    void take(const ArmProfile &profile);

    ArmProfile m_profile;
    QString m_path;
    bool m_replacingAsks = false;
};
