// SPDX-License-Identifier: MIT
#include "linehighlighter.h"

#include "editorlines.h"
#include "core/linecheck.h"
#include "core/lineformat.h"
#include "shared/commandlimits.h"
#include "sequenceeditor.h"

#include <QHelpEvent>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolTip>

namespace {

// Tells the marks apart from extra selections that others may set.
constexpr int markProperty = QTextFormat::UserProperty + 1;

QTextCharFormat markFormat()
{
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.setUnderlineColor(Qt::red);
    mark.setProperty(markProperty, true);
    return mark;
}

QTextCharFormat lateFormat()
{
    QTextCharFormat mark;
    mark.setUnderlineStyle(QTextCharFormat::DashUnderline);
    mark.setUnderlineColor(QColor(230, 130, 0));
    mark.setProperty(markProperty, true);
    return mark;
}

bool keepsItsTime(const poseline::Figures &figures)
{
    return figures.problem != poseline::Figures::Problem::WireTooSlow
           && figures.problem != poseline::Figures::Problem::CannotArrive
           && figures.problem != poseline::Figures::Problem::CannotFollowCurve;
}

bool sameRanges(const QList<QTextEdit::ExtraSelection> &a, const QList<QTextEdit::ExtraSelection> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.cursor.selectionStart() == y.cursor.selectionStart()
               && x.cursor.selectionEnd() == y.cursor.selectionEnd()
               && x.format.underlineStyle() == y.format.underlineStyle();
    });
}

} // namespace

LineHighlighter::LineHighlighter(SequenceEditor &editor, PoseTimeline &timeline)
    : QObject(&editor), m_editor(editor), m_timeline(timeline)
{
    editor.viewport()->installEventFilter(this);
    // Lines the fold reaches later are marked then.
    connect(&m_timeline, &PoseTimeline::changedFrom, editor.viewport(), qOverload<>(&QWidget::update));
}

void LineHighlighter::markLinesInView()
{
    static const QTextCharFormat mark = markFormat();
    static const QTextCharFormat late = lateFormat();
    const QList<QTextEdit::ExtraSelection> current = m_editor.extraSelections();
    QList<QTextEdit::ExtraSelection> selections;
    for (const QTextEdit::ExtraSelection &other : current) {
        if (!other.format.hasProperty(markProperty))
            selections.append(other);
    }
    for (const QTextBlock &block : m_editor.linesInView()) {
        QTextCursor line(block);
        const bool written = linecheck::playsAsWritten(block.text());
        const bool held = !clampsIn(block.text()).isEmpty();
        if (written && !held && keepsItsTime(m_timeline.row(block.blockNumber()).figures))
            continue;
        line.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        selections.append({line, written && !held ? late : mark});
    }
    // Setting them repaints; only a change is worth one.
    if (!sameRanges(selections, current))
        m_editor.setExtraSelections(selections);
}

QString LineHighlighter::toolTipFor(qsizetype line)
{
    const QTextBlock block = m_editor.document()->findBlockByNumber(int(line));
    if (!block.isValid())
        return {};
    const QString clamps = clampsIn(block.text());
    if (linecheck::playsAsWritten(block.text())) {
        const poseline::Figures &figures = m_timeline.row(line).figures;
        QStringList notes;
        if (!clamps.isEmpty())
            notes.append(clamps);
        if (!keepsItsTime(figures))
            notes.append(poseline::describe(figures));
        return notes.join(u'\n');
    }
    // The line exactly as playback fetches it.
    const std::optional<QString> played = editorlines::lineWithBreak(m_editor, line);
    if (!played)
        return {};
    const QString shape = tr("此行与录制的格式不同，播放时：\n") + linecheck::describePlayback(*played);
    return clamps.isEmpty() ? shape : shape + u'\n' + clamps;
}

QString LineHighlighter::clampsIn(const QString &line) const
{
    if (!m_limits)
        return {};
    const auto clamps = commandlimits::clamp(line.mid(lineformat::commandStart), *m_limits).clamps;
    QStringList held;
    for (const commandlimits::Clamp &clamp : clamps)
        held.append(tr("第 %1 组 %2：%3 → %4")
                        .arg(clamp.group + 1)
                        .arg(m_limits->describe(clamp.channel))
                        .arg(clamp.asked)
                        .arg(clamp.sent));
    return held.isEmpty() ? QString() : tr("超出通道限位，发送时限位为：\n") + held.join(u'\n');
}

bool LineHighlighter::eventFilter(QObject *watched, QEvent *event)
{
    // Only paints and tooltips concern the marks. The type is looked at first:
    // the viewport still sends events (hide, removal) while the editor is being
    // destroyed, when the editor may no longer be asked for anything.
    if (event->type() != QEvent::Paint && event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    if (watched != m_editor.viewport())
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Paint) {
        markLinesInView();
        return false;
    }
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
