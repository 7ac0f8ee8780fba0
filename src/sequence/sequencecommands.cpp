// SPDX-License-Identifier: MIT
#include "sequencecommands.h"

#include "common/notifier.h"
#include "editorlines.h"
#include "sequenceeditor.h"
#include "core/poseline.h"
#include "core/stretchjob.h"

SequenceCommands::SequenceCommands(SequenceEditor &editor, Notifier &notifier, std::function<QString()> makeLine,
                                   QWidget *messageParent)
    : m_editor(editor), m_notifier(notifier), m_makeLine(std::move(makeLine)), m_messageParent(messageParent)
{
    connect(&m_editor, &SequenceEditor::clicked, this, [this] { editorlines::selectCaretLine(m_editor); });
    connect(&m_editor.sequence(), &SequenceDocument::changed, this, [this](SequenceDocument::ChangeSource source) {
        if (source == SequenceDocument::ChangeSource::Program)
            editorlines::selectCaretLine(m_editor);
    });
}

void SequenceCommands::add()
{
    m_editor.appendLine(m_makeLine() + u'\r');
}

void SequenceCommands::modify()
{
    if (m_editor.selectedText().isEmpty()) {
        m_notifier.show(m_messageParent, {Message::Icon::None, {}, tr("请选择指令")});
        return;
    }
    m_editor.setSelectedText(m_makeLine() + u'\r');
}

void SequenceCommands::remove()
{
    editorlines::selectCaretLine(m_editor);
    m_editor.setSelectedText(QString());
}

void SequenceCommands::appendText(const QString &text)
{
    if (!text.isEmpty())
        m_editor.appendLine(text + u'\r');
}

SequenceCommands::Pose SequenceCommands::pickPose()
{
    Pose pose;
    pose.line = editorlines::caretPosition(m_editor).line;
    const QString text = m_editor.sequence().lineText(pose.line);
    pose.reading = linecheck::readLine(text + u'\r');
    const poseline::LineMove move = poseline::read(text);
    for (const motion::Target &target : move.targets) {
        const auto same = [&target](const sequenceline::Channel &channel) { return channel.index == target.channel; };
        if (const auto known = std::find_if(pose.channels.begin(), pose.channels.end(), same);
            known != pose.channels.end())
            known->pulse = target.pulse;
        else
            pose.channels.append({target.channel, target.pulse});
    }
    pose.interval = move.interval;
    pose.loadable = move.playsAsWritten && !pose.channels.isEmpty();
    if (pose.loadable)
        editorlines::selectCaretLine(m_editor);
    return pose;
}

SequenceJob *SequenceCommands::stretchToFit(PoseTimeline &timeline, qsizetype first, qsizetype last)
{
    SequenceDocument &sequence = m_editor.sequence();
    auto *job = new StretchJob(sequence, timeline, first, last, this);
    const auto caretOnFirst = [this, first] {
        m_editor.setSelectionStart(m_editor.sequence().lineStart(first));
        editorlines::selectCaretLine(m_editor);
    };
    connect(job, &SequenceJob::finished, this, [job, caretOnFirst] {
        if (job->changed() > 0)
            caretOnFirst();
        job->deleteLater();
    });
    SequenceDocument::ProgramEdit edit(sequence);
    job->start();
    if (job->isFinished())
        return nullptr;
    // Where it will end, at once: the views let go of a selection of many
    // lines, which costs them on every repaint while the work goes on.
    caretOnFirst();
    return job;
}
