// SPDX-License-Identifier: MIT
#pragma once

#include "core/currentprofile.h"
#include "common/notifier.h"

#include <QObject>

#include <functional>
#include <optional>

namespace profileui {

// One problem in words: where (the line and column, or the field) and what;
// what came from the file is cut short.
QString describe(const armprofile::Problem &problem);

// How many problems a message names; the rest it counts.
inline constexpr qsizetype shownProblems = 8;

// The one message about a profile's problems, naming the file and the first
// few problems; none without problems.
std::optional<Message> problemsMessage(const QString &path, const QList<armprofile::Problem> &problems);

// After a sequence was saved as `sequencePath`: offers to save the profile
// beside it, when the profile is not the board as it comes. Failures are told.
void offerToSaveBeside(const CurrentProfile &profile, const QString &sequencePath, Notifier &notifier, QWidget *parent);

// After a sequence was opened from `sequencePath`: takes its profile and says so.
void openBeside(CurrentProfile &profile, const QString &sequencePath, Notifier &notifier, QWidget *parent);

// Asks whether to replace a file that holds more than was read.
bool confirmReplacing(Notifier &notifier, QWidget *parent, const QString &path);

// Asks whether edits made on an earlier profile replace the one in force now.
bool confirmReplacingNewer(Notifier &notifier, QWidget *parent, const QString &path);

} // namespace profileui
