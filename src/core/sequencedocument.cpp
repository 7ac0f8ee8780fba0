// SPDX-License-Identifier: MIT
#include "sequencedocument.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr QChar cr = u'\r';

} // namespace

namespace sequencetext {

// QTextCursor::insertText starts a new line (a block) at CR, LF, CR LF and the
// paragraph separator. A soft break (U+2028) would show as a new line on screen
// while staying part of the same sequence line: it becomes a line break too.
// Text without one is passed on as it is, without a copy.
QString withLineBreaks(const QString &text)
{
    if (!text.contains(QChar::LineSeparator))
        return text;
    QString copy = text;
    return copy.replace(QChar::LineSeparator, u'\n');
}

QString range(const QTextDocument &document, qsizetype position, qsizetype count)
{
    QString range;
    const qsizetype end = position + count;
    for (QTextBlock block = document.findBlock(int(position)); block.isValid() && block.position() < end;
         block = block.next()) {
        const qsizetype from = qMax<qsizetype>(position - block.position(), 0);
        range += QStringView(block.text()).mid(from, end - block.position() - from);
        // Every block but the last ends in a line break, which counts as one character.
        const qsizetype lineBreak = block.position() + block.length() - 1;
        if (block.next().isValid() && lineBreak < end)
            range += cr;
    }
    return range;
}

QString whole(const QTextDocument &document)
{
    // The raw text in one go: a long sequence is not walked block by block, and
    // no-break spaces stay (toPlainText() would turn them into blanks).
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, cr);
    return text;
}

qsizetype appendLine(QTextDocument &document, const QString &line)
{
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (!cursor.block().text().isEmpty())
        cursor.insertText(QStringLiteral("\n"));
    const qsizetype start = cursor.position();
    cursor.insertText(withLineBreaks(line));
    cursor.endEditBlock();
    return start;
}

} // namespace sequencetext

using sequencetext::withLineBreaks;

SequenceDocument::ProgramEdit::ProgramEdit(SequenceDocument &document)
    : m_document(document), m_outer(document.m_programDepth == 0)
{
    if (m_outer && !document.m_appendingPiece)
        document.completePending();
    ++m_document.m_programDepth;
}

SequenceDocument::ProgramEdit::~ProgramEdit()
{
    --m_document.m_programDepth;
    if (m_outer && std::exchange(m_document.m_programChanged, false))
        Q_EMIT m_document.changed(ChangeSource::Program);
}

SequenceDocument::SequenceDocument(QObject *parent) : QObject(parent), m_document(new QTextDocument(this))
{
    // A text document reports its changes through a layout only; the editor
    // that shows it puts its own in place of this one.
    m_document->documentLayout();
    connect(m_document, &QTextDocument::contentsChange, this, &SequenceDocument::onContentsChange);
    connect(m_document, &QTextDocument::modificationChanged, this, &SequenceDocument::modificationChanged);
    // A new step ends the branch of steps undone before it, and their sources.
    connect(m_document, &QTextDocument::undoCommandAdded, this, [this] { dropSourcesFrom(step()); });
}

SequenceDocument::~SequenceDocument()
{
    // The text document goes with this object; nobody is told of its last changes.
    disconnect(m_document, nullptr, this, nullptr);
}

QString SequenceDocument::text() const
{
    completePending();
    return sequencetext::whole(*m_document);
}

void SequenceDocument::setText(const QString &text)
{
    ProgramEdit edit(*this);
    // No undo step for a whole new text: it would hold a copy of the old one.
    m_document->setUndoRedoEnabled(false);
    m_document->setPlainText(withLineBreaks(text));
    m_document->setUndoRedoEnabled(true);
    m_sources.clear();
    followSource();
}

qsizetype SequenceDocument::lineCount() const
{
    return m_document->blockCount();
}

qsizetype SequenceDocument::sequenceLineCount() const
{
    const qsizetype blocks = m_document->blockCount();
    return m_document->lastBlock().length() > 1 ? blocks : blocks - 1;
}

QString SequenceDocument::lineText(qsizetype line) const
{
    return m_document->findBlockByNumber(int(line)).text();
}

std::optional<QString> SequenceDocument::lineWithBreak(qsizetype line) const
{
    const QTextBlock block = m_document->findBlockByNumber(int(line));
    if (!block.isValid())
        return std::nullopt;
    QString text = block.text();
    if (block.next().isValid())
        text += cr;
    return text;
}

qsizetype SequenceDocument::lineStart(qsizetype line) const
{
    const QTextBlock block = m_document->findBlockByNumber(int(line));
    return block.isValid() ? block.position() : -1;
}

qsizetype SequenceDocument::lineAt(qsizetype position) const
{
    return m_document->findBlock(clamp(position)).blockNumber();
}

qsizetype SequenceDocument::lineLengthAt(qsizetype position) const
{
    const QTextBlock block = m_document->findBlock(int(position));
    return block.isValid() ? block.length() - 1 : 0;
}

QString SequenceDocument::textRange(qsizetype position, qsizetype count) const
{
    return sequencetext::range(*m_document, position, count);
}

qsizetype SequenceDocument::length() const
{
    return m_document->characterCount() - 1;
}

int SequenceDocument::clamp(qsizetype position) const
{
    // The document counts in int; a position beyond its end means its end.
    const qsizetype last = length();
    return int(position < 0 ? 0 : position > last ? last : position);
}

qsizetype SequenceDocument::replace(qsizetype position, qsizetype length, const QString &text)
{
    ProgramEdit edit(*this);
    QTextCursor cursor(m_document);
    cursor.setPosition(clamp(position));
    cursor.setPosition(clamp(position + qMax<qsizetype>(length, 0)), QTextCursor::KeepAnchor);
    if (cursor.hasSelection() || !text.isEmpty())
        cursor.insertText(withLineBreaks(text));
    return cursor.position();
}

qsizetype SequenceDocument::appendLine(const QString &line)
{
    ProgramEdit edit(*this);
    return sequencetext::appendLine(*m_document, line);
}

void SequenceDocument::replaceLine(qsizetype line, const QString &text)
{
    const qsizetype start = lineStart(line);
    if (start >= 0)
        replace(start, lineLengthAt(start), text);
}

void SequenceDocument::insertLine(qsizetype line, const QString &text)
{
    const qsizetype start = lineStart(line);
    if (start >= 0)
        replace(start, 0, text + cr);
    else
        appendLine(text);
}

void SequenceDocument::removeLine(qsizetype line)
{
    const qsizetype start = lineStart(line);
    if (start < 0)
        return;
    const qsizetype next = lineStart(line + 1);
    if (next >= 0) {
        replace(start, next - start, QString());
    } else if (start > 0) {
        // The last line goes with the line break before it.
        replace(start - 1, lineLengthAt(start) + 1, QString());
    } else {
        replace(0, length(), QString());
    }
}

bool SequenceDocument::swapLines(qsizetype line)
{
    const qsizetype start = lineStart(line);
    const qsizetype next = lineStart(line + 1);
    if (start < 0 || next < 0)
        return false;
    // The second line's own line break, if it has one, stays where it is.
    replace(start, next - start + lineLengthAt(next), lineText(line + 1) + cr + lineText(line));
    return true;
}

void SequenceDocument::duplicateLine(qsizetype line)
{
    const qsizetype start = lineStart(line);
    if (start >= 0)
        replace(start + lineLengthAt(start), 0, cr + lineText(line));
}

void SequenceDocument::open(const QString &text, const QString &source)
{
    ProgramEdit edit(*this);
    replace(0, length(), text);
    setSourceAt(step(), source);
}

QString SequenceDocument::source() const
{
    return m_source;
}

void SequenceDocument::clearSource()
{
    if (!m_source.isEmpty())
        setSourceAt(step(), QString());
}

int SequenceDocument::step() const
{
    return m_document->availableUndoSteps();
}

void SequenceDocument::setSourceAt(int at, const QString &source)
{
    auto place = std::lower_bound(m_sources.begin(), m_sources.end(), at,
                                  [](const auto &entry, int value) { return entry.first < value; });
    if (place != m_sources.end() && place->first == at)
        place->second = source;
    else
        m_sources.insert(place, {at, source});
    followSource();
}

void SequenceDocument::dropSourcesFrom(int at)
{
    while (!m_sources.empty() && m_sources.back().first >= at)
        m_sources.pop_back();
    followSource();
}

void SequenceDocument::followSource()
{
    const int now = step();
    QString source;
    for (auto entry = m_sources.rbegin(); entry != m_sources.rend(); ++entry) {
        if (entry->first <= now) {
            source = entry->second;
            break;
        }
    }
    if (source == m_source)
        return;
    m_source = source;
    Q_EMIT sourceChanged();
}

void SequenceDocument::setColor(qsizetype position, qsizetype length, const QColor &color)
{
    QTextCursor cursor(m_document);
    cursor.setPosition(clamp(position));
    cursor.setPosition(clamp(position + qMax<qsizetype>(length, 0)), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(color);
    const bool wasColouring = std::exchange(m_colouring, true);
    cursor.mergeCharFormat(format);
    m_colouring = wasColouring;
}

bool SequenceDocument::isModified() const
{
    return m_document->isModified();
}

void SequenceDocument::setModified(bool modified)
{
    m_document->setModified(modified);
}

bool SequenceDocument::canUndo() const
{
    return m_document->isUndoAvailable();
}

bool SequenceDocument::canRedo() const
{
    return m_document->isRedoAvailable();
}

qsizetype SequenceDocument::undo()
{
    ProgramEdit edit(*this);
    m_firstChanged = -1;
    m_document->undo();
    return m_firstChanged;
}

qsizetype SequenceDocument::redo()
{
    ProgramEdit edit(*this);
    m_firstChanged = -1;
    m_document->redo();
    return m_firstChanged;
}

void SequenceDocument::onContentsChange(int position, int removed, int added)
{
    const qsizetype count = m_document->blockCount();
    const qsizetype first = m_document->findBlock(position).blockNumber();
    const qsizetype last = m_document->findBlock(position + added).blockNumber();
    const qsizetype addedLines = (last < 0 ? count - 1 : last) - first + 1;
    const qsizetype removedLines = addedLines - (count - std::exchange(m_lineCount, count));
    if ((removed == 0 && added == 0) || m_colouring)
        return; // a change of format only
    if (m_programDepth > 0)
        m_programChanged = true;
    else
        Q_EMIT changed(ChangeSource::Operator);
    m_firstChanged = m_firstChanged < 0 ? first : std::min(m_firstChanged, first);
    Q_EMIT linesChanged(first, removedLines, addedLines);
    // An undo or a redo, from wherever, reaches another step.
    followSource();
}

void SequenceDocument::setPendingRest(std::function<void()> complete)
{
    m_completeRest = std::move(complete);
}

void SequenceDocument::completePending() const
{
    if (const std::function<void()> complete = std::exchange(m_completeRest, {}))
        complete();
}

void SequenceDocument::appendPiece(const QString &piece)
{
    // Not a change: only linesChanged() tells of the new lines.
    const bool wasAppending = std::exchange(m_appendingPiece, true);
    const bool programChanged = m_programChanged;
    const bool modified = isModified();
    ++m_programDepth;
    m_document->setUndoRedoEnabled(false);
    QTextCursor cursor(m_document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(withLineBreaks(piece));
    m_document->setUndoRedoEnabled(true);
    m_sources.clear();
    --m_programDepth;
    m_programChanged = programChanged;
    setModified(modified);
    m_appendingPiece = wasAppending;
}
