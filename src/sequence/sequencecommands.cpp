// SPDX-License-Identifier: MIT
#include "sequencecommands.h"

#include "common/notifier.h"
#include "editorlines.h"
#include "sequenceeditor.h"
#include "core/poseline.h"
#include "core/posetimeline.h"

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

qsizetype SequenceCommands::stretchToFit(PoseTimeline &timeline, qsizetype first, qsizetype last)
{
    SequenceDocument &sequence = m_editor.sequence();
    last = std::min(last, sequence.lineCount() - 1);
    QStringList lines;
    qsizetype changed = 0;
    for (qsizetype line = first; line <= last; ++line) {
        const poseline::Figures &figures = timeline.row(line).figures;
        QString text = sequence.lineText(line);
        if (figures.problem == poseline::Figures::Problem::CannotArrive
            || figures.problem == poseline::Figures::Problem::WireTooSlow) {
            text = poseline::withInterval(text, poseline::stretchedInterval(figures));
            ++changed;
        }
        lines.append(text);
    }
    if (changed == 0)
        return 0;
    // One replacement of the lines together: one undo step.
    SequenceDocument::ProgramEdit edit(sequence);
    const qsizetype start = sequence.lineStart(first);
    const qsizetype lastStart = sequence.lineStart(last);
    sequence.replace(start, lastStart + sequence.lineLengthAt(lastStart) - start, lines.join(u'\r'));
    m_editor.setSelectionStart(start);
    return changed;
}
