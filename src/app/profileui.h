// SPDX-License-Identifier: MIT
#pragma once

#include "shared/armprofile.h"
#include "common/notifier.h"

#include <QObject>

#include <functional>
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

namespace profileui {

// What goes to the port: each command held to the channels' limits in force;
// `clamped` hears of every command that was held, with how many groups and the
// last of them in words.
std::function<QString(const QString &)> limitsFilter(const CurrentProfile &profile,
                                                     std::function<void(int, const QString &)> clamped);

// One problem in words: where (the line and column, or the field) and what.
QString describe(const armprofile::Problem &problem);

// The one message about a profile's problems, naming the file; none without problems.
std::optional<Message> problemsMessage(const QString &path, const QList<armprofile::Problem> &problems);

// After a sequence was saved as `sequencePath`: offers to save the profile
// beside it, when the profile is not the board as it comes. Failures are told.
void offerToSaveBeside(const CurrentProfile &profile, const QString &sequencePath, Notifier &notifier, QWidget *parent);

// After a sequence was opened from `sequencePath`: takes its profile and says so.
void openBeside(CurrentProfile &profile, const QString &sequencePath, Notifier &notifier, QWidget *parent);

// Asks whether to replace a file that holds more than was read.
bool confirmReplacing(Notifier &notifier, QWidget *parent, const QString &path);

} // namespace profileui
