// SPDX-License-Identifier: MIT
#include "sequencecommands.h"

#include "common/notifier.h"
#include "editorlines.h"
#include "sequenceeditor.h"

SequenceCommands::SequenceCommands(SequenceEditor &editor, Notifier &notifier, std::function<QString()> makeLine,
                                   QWidget *messageParent)
    : m_editor(editor), m_notifier(notifier), m_makeLine(std::move(makeLine)), m_messageParent(messageParent)
{
    connect(&m_editor, &SequenceEditor::clicked, this, [this] { SelectCaretLine(m_editor); });
    connect(&m_editor.sequence(), &SequenceDocument::changed, this, [this](SequenceDocument::ChangeSource source) {
        if (source == SequenceDocument::ChangeSource::Program)
            SelectCaretLine(m_editor);
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
    SelectCaretLine(m_editor);
    m_editor.setSelectedText(QString());
}

void SequenceCommands::appendText(const QString &text)
{
    if (!text.isEmpty())
        m_editor.appendLine(text + u'\r');
}
