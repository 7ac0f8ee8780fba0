// SPDX-License-Identifier: MIT
#pragma once

class QString;
class QWidget;
class SequenceJob;

// Shows the progress of `job`, still running, in a dialog over `parent` that
// keeps the operator's hands off the windows meanwhile (the job works on their
// sequence), with a button that stops it. The dialog goes when the job ends.
void showJobProgress(SequenceJob &job, const QString &label, QWidget *parent);
