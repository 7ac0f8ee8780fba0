#include "linehighlighter.h"

#include "editorlines.h"
#include "linecheck.h"
#include "sequenceeditor.h"

#include <QHelpEvent>
#include <QTextBlock>
#include <QToolTip>

LineHighlighter::LineHighlighter(SequenceEditor &editor) : QSyntaxHighlighter(&editor), m_editor(editor)
{
    setDocument(editor.document());
    editor.viewport()->installEventFilter(this);
}

void LineHighlighter::highlightBlock(const QString &text)
{
    if (linecheck::playsAsWritten(text))
        return;
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.setUnderlineColor(Qt::red);
    setFormat(0, int(text.size()), mark);
}

QString LineHighlighter::toolTipFor(qsizetype line) const
{
    const QTextBlock block = m_editor.document()->findBlockByNumber(int(line));
    if (!block.isValid() || linecheck::playsAsWritten(block.text()))
        return {};
    // The line exactly as playback fetches it.
    const std::optional<QString> played = GetLineText(m_editor, line);
    if (!played)
        return {};
    return QStringLiteral("此行与录制的格式不同，播放时：\n") + linecheck::describePlayback(*played);
}

bool LineHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_editor.viewport() || event->type() != QEvent::ToolTip)
        return QSyntaxHighlighter::eventFilter(watched, event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QTextCursor cursor = m_editor.cursorForPosition(help->pos());
    // Below the last line the nearest line is not the one under the pointer.
    const QRect line = m_editor.cursorRect(cursor);
    const QString tip = help->pos().y() >= line.top() && help->pos().y() <= line.bottom()
                            ? toolTipFor(cursor.blockNumber())
                            : QString();
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, m_editor.viewport());
    return true;
}
