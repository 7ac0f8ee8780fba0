// SPDX-License-Identifier: MIT
#pragma once

#include "core/linecheck.h"
#include "core/sequenceline.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class Notifier;
class PoseTimeline;
class SequenceJob;
class QWidget;
class SequenceEditor;

// Add, Modify and Delete on the sequence, and line picking: a click in the editor,
// or a change the program makes to the text, selects the whole line under the
// caret with its CR. The operator's own typing, pasting and undo are left alone,
// so that text can be typed into a line.
class SequenceCommands final : public QObject
{
    Q_OBJECT

public:
    // `makeLine` builds a sequence line (without its CR) from the channel panel.
    SequenceCommands(SequenceEditor &editor, Notifier &notifier, std::function<QString()> makeLine,
                     QWidget *messageParent);

    // Appends a new line at the end of the text, whatever is selected.
    void add();
    // Replaces the selection with a new line; asks for a selection when there is none.
    void modify();
    // Removes the line under the caret with its CR.
    void remove();
    // Appends free text as a new last line (the input dialog's OK).
    void appendText(const QString &text);

    // The pose of the line under the caret, for the channel panel, with that
    // line selected so that Modify writes it back; nothing for a line that
    // will not play as it reads, or holds no channel.
    struct Pose {
        qsizetype line = 0;
        std::optional<qint16> interval;
        QList<sequenceline::Channel> channels; // each once, at its last pulse in the line
        linecheck::Reading reading;            // what playback makes of the line
        bool loadable = false;
    };
    Pose pickPose();

    // Gives each line from `first` to `last` that cannot arrive in its
    // interval the least one that lets it, in one undo step (see StretchJob),
    // and puts the caret on `first`. A few lines are done before this returns;
    // for more, the work still running, for its progress to be shown.
    SequenceJob *stretchToFit(PoseTimeline &timeline, qsizetype first, qsizetype last);

private:
    SequenceEditor &m_editor;
    Notifier &m_notifier;
    std::function<QString()> m_makeLine;
    QWidget *m_messageParent;
};
