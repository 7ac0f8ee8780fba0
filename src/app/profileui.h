// SPDX-License-Identifier: MIT
#pragma once

#include "core/currentprofile.h"
#include "common/notifier.h"

#include <QObject>

#include <functional>
#include <optional>

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
