// SPDX-License-Identifier: MIT
#include "sequencedocument.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextCharFormat>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr QChar cr = u'\r';

// An edit of at most this many characters, on one line, is typing that may
// join the one before it in the history.
constexpr qsizetype typedMost = 32;

// Two edits one after the other as one: the text before the first and after
// the second differ only between the ends both left alone.
template <typename Edit>
Edit joined(const Edit &first, const Edit &second)
{
    const qsizetype lengthBefore = first.lengthAfter + first.removed - first.added;
    const qsizetype position = std::min(first.position, second.position);
    const qsizetype tail =
        std::min(first.lengthAfter - first.position - first.added, second.lengthAfter - second.position - second.added);
    return {position, lengthBefore - tail - position, second.lengthAfter - tail - position, second.lengthAfter};
}

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

} // namespace sequencetext

using sequencetext::withLineBreaks;

SequenceDocument::ProgramEdit::ProgramEdit(SequenceDocument &document)
    : m_document(document), m_outer(document.m_programDepth == 0)
{
    if (m_outer && !document.m_appendingPiece) {
        document.completePending();
        document.takeOverPending();
    }
    ++m_document.m_programDepth;
}

SequenceDocument::ProgramEdit::~ProgramEdit()
{
    --m_document.m_programDepth;
    if (m_outer && std::exchange(m_document.m_programChanged, false))
        Q_EMIT m_document.changed(ChangeSource::Program);
}

SequenceDocument::OperatorEdit::OperatorEdit(SequenceDocument &document, const QTextCursor &cursor)
    : m_document(document), m_outer(document.m_operatorDepth++ == 0)
{
    // Within an edit of the text document's own (a drop moving text), or after
    // one not yet taken over, the text document goes on recording.
    QTextDocument &text = *document.m_document;
    if (!m_outer || document.m_pending || text.availableUndoSteps() > 0 || document.m_inContentsChange)
        return;
    document.stopParts();
    // What a key can change: the selection, or a character, a word or a line
    // break beside the caret.
    QTextBlock first = text.findBlock(cursor.selectionStart());
    QTextBlock last = text.findBlock(cursor.selectionEnd());
    if (first.previous().isValid())
        first = first.previous();
    if (last.next().isValid())
        last = last.next();
    const qsizetype end = last.position() + last.length() - 1;
    document.m_direct = Direct{first.position(), document.textRange(first.position(), end - first.position()), {}};
    text.setUndoRedoEnabled(false);
}

SequenceDocument::OperatorEdit::~OperatorEdit()
{
    if (--m_document.m_operatorDepth == 0 && m_document.m_direct)
        m_document.endDirect();
}

SequenceDocument::SequenceDocument(QObject *parent) : QObject(parent), m_document(new QTextDocument(this))
{
    // A text document reports its changes through a layout only; the editor
    // that shows it puts its own in place of this one.
    m_document->documentLayout();
    connect(m_document, &QTextDocument::contentsChange, this, &SequenceDocument::onContentsChange);
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
    stopParts();
    if (m_direct)
        endDirect();
    // No step for a whole new text: it would hold a copy of the old one.
    m_document->setUndoRedoEnabled(false);
    m_document->setPlainText(withLineBreaks(text));
    m_document->setUndoRedoEnabled(true);
    m_history.clear();
    announce();
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

template <typename Change>
void SequenceDocument::unrecorded(Change change)
{
    // A program edit within the operator's: what the operator changed so far
    // is a step, the rest the text document records.
    if (m_direct)
        endDirect();
    const bool recording = m_document->isUndoRedoEnabled();
    m_document->setUndoRedoEnabled(false);
    QTextCursor block(m_document);
    block.beginEditBlock();
    change();
    block.endEditBlock();
    m_document->setUndoRedoEnabled(recording);
}

QString SequenceDocument::swapText(qsizetype position, qsizetype length, const QString &text, qsizetype *inserted)
{
    // Only the part that changes: a whole line written anew would leave its old
    // text to the text document's collection of removed text, which copies the
    // whole text when it runs, a long pause on a long sequence.
    const QString replaced = textRange(position, length);
    QTextCursor cursor(m_document);
    cursor.setPosition(int(position));
    cursor.setPosition(int(position + length), QTextCursor::KeepAnchor);
    cursor.insertText(withLineBreaks(text));
    if (inserted)
        *inserted = cursor.position() - position;
    return replaced;
}

EditHistory::Replace SequenceDocument::replacer()
{
    return
        [this](qsizetype position, qsizetype length, const QString &text) { return swapText(position, length, text); };
}

qsizetype SequenceDocument::replace(qsizetype position, qsizetype length, const QString &text)
{
    ProgramEdit edit(*this);
    stopParts();
    const int from = clamp(position);
    const int to = clamp(position + qMax<qsizetype>(length, 0));
    if (from == to && text.isEmpty())
        return from;
    qsizetype inserted = 0;
    QString replaced;
    unrecorded([&] { replaced = swapText(from, to - from, text, &inserted); });
    m_history.record(from, inserted, replaced);
    announce();
    return from + inserted;
}

quint64 SequenceDocument::replaceEach(const std::vector<Replacement> &replacements, quint64 step)
{
    ProgramEdit edit(*this);
    stopParts();
    if (step != 0 && !m_history.canExtend(step))
        return 0;
    unrecorded([&] {
        for (const Replacement &replacement : replacements) {
            const int from = clamp(replacement.position);
            const int to = clamp(replacement.position + qMax<qsizetype>(replacement.length, 0));
            if (from == to && replacement.text.isEmpty())
                continue;
            qsizetype inserted = 0;
            const QString replaced = swapText(from, to - from, replacement.text, &inserted);
            if (step == 0)
                step = m_history.record(from, inserted, replaced);
            else
                m_history.extend(step, from, inserted, replaced);
        }
    });
    announce();
    return step;
}

qsizetype SequenceDocument::appendLine(const QString &line)
{
    ProgramEdit edit(*this); // the whole text first, if it is still coming
    // A last line that holds text is ended first, so that the two stay apart.
    const bool endLast = !m_document->lastBlock().text().isEmpty();
    const qsizetype start = length() + (endLast ? 1 : 0);
    replace(length(), 0, endLast ? cr + line : line);
    return start;
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
    m_history.setSource(source);
    announce();
}

QString SequenceDocument::source() const
{
    return m_history.source();
}

void SequenceDocument::clearSource()
{
    takeOverPending();
    m_history.setSource(QString());
    announce();
}

void SequenceDocument::setColor(qsizetype position, qsizetype length, const QColor &color)
{
    // Not a change of the text, nor a step: the operator's last edit goes to
    // the history first, since the text document forgets it meanwhile.
    takeOverPending();
    QTextCursor cursor(m_document);
    cursor.setPosition(clamp(position));
    cursor.setPosition(clamp(position + qMax<qsizetype>(length, 0)), QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(color);
    const bool wasColouring = std::exchange(m_colouring, true);
    m_document->setUndoRedoEnabled(false);
    cursor.mergeCharFormat(format);
    m_document->setUndoRedoEnabled(true);
    m_colouring = wasColouring;
}

bool SequenceDocument::isModified() const
{
    return m_pending || m_history.isModified();
}

void SequenceDocument::setModified(bool modified)
{
    takeOverPending();
    m_history.setModified(modified);
    announce();
}

bool SequenceDocument::canUndo() const
{
    return m_pending || m_history.canUndo();
}

bool SequenceDocument::canRedo() const
{
    // The operator's edit not yet taken over ends the steps undone before it.
    return !m_pending && m_history.canRedo();
}

qsizetype SequenceDocument::undoSize() const
{
    return m_pending ? 1 : m_history.undoSize();
}

qsizetype SequenceDocument::redoSize() const
{
    return m_pending ? 0 : m_history.redoSize();
}

qsizetype SequenceDocument::undo()
{
    ProgramEdit edit(*this);
    stopParts();
    m_firstChanged = -1;
    unrecorded([this] { m_history.undo(replacer()); });
    announce();
    return m_firstChanged;
}

qsizetype SequenceDocument::redo()
{
    ProgramEdit edit(*this);
    stopParts();
    m_firstChanged = -1;
    unrecorded([this] { m_history.redo(replacer()); });
    announce();
    return m_firstChanged;
}

void SequenceDocument::setHistoryLimit(qsizetype bytes)
{
    m_history.setLimit(bytes);
    announce();
}

quint64 SequenceDocument::beginInParts(EditHistory::Direction direction)
{
    ProgramEdit edit(*this);
    stopParts();
    if (!m_history.begin(direction))
        return 0;
    announce();
    return ++m_partsToken;
}

qsizetype SequenceDocument::doPart(quint64 token, qsizetype count)
{
    ProgramEdit edit(*this);
    if (!inParts(token))
        return -1;
    m_firstChanged = -1;
    unrecorded([&] { m_history.piece(count, replacer()); });
    announce();
    return m_firstChanged;
}

void SequenceDocument::endInParts(quint64 token)
{
    if (inParts(token))
        stopParts();
}

void SequenceDocument::stopParts()
{
    if (!m_history.busy())
        return;
    m_history.end();
    announce();
}

void SequenceDocument::announce()
{
    const bool modified = isModified();
    if (std::exchange(m_modified, modified) != modified)
        Q_EMIT modificationChanged(modified);
    const QString source = m_history.source();
    if (source != m_source) {
        m_source = source;
        Q_EMIT sourceChanged();
    }
    const std::tuple history{canUndo(), canRedo(), droppedSteps()};
    if (std::exchange(m_historyShown, history) != history)
        Q_EMIT historyChanged();
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
    const QScopedValueRollback inside(m_inContentsChange, true);
    // Only the operator's edits reach the text document with its own history
    // on, or come within an OperatorEdit.
    const bool direct = m_direct.has_value();
    const bool operatorEdit = !direct && m_document->isUndoRedoEnabled();
    if (direct) {
        const Pending edit{position, removed, added, length()};
        m_direct->change = m_direct->change ? joined(*m_direct->change, edit) : edit;
    } else if (operatorEdit) {
        notePending(position, removed, added);
    }
    if (m_programDepth > 0)
        m_programChanged = true;
    else
        Q_EMIT changed(ChangeSource::Operator);
    m_firstChanged = m_firstChanged < 0 ? first : std::min(m_firstChanged, first);
    Q_EMIT linesChanged(first, removedLines, addedLines);
    if (operatorEdit)
        announce();
}

void SequenceDocument::notePending(qsizetype position, qsizetype removed, qsizetype added)
{
    const Pending edit{position, removed, added, length()};
    m_pending = m_pending ? joined(*m_pending, edit) : edit;
    if (std::exchange(m_takeOverQueued, true))
        return;
    // Taken over once the edit is done, when the text document is at rest.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_takeOverQueued = false;
            takeOverPending();
        },
        Qt::QueuedConnection);
}

void SequenceDocument::takeOverPending()
{
    // Inside the text document's report of a change, it is still at work.
    if (!m_pending || m_inContentsChange)
        return;
    stopParts();
    const Pending edit = *std::exchange(m_pending, std::nullopt);
    QString replaced;
    {
        // What the edits replaced, from the text document's own undo and redo,
        // unseen: nobody else is told of the text going back and forth.
        const QSignalBlocker quiet(m_document);
        int steps = 0;
        for (; m_document->isUndoAvailable(); ++steps)
            m_document->undo();
        replaced = textRange(edit.position, edit.removed);
        for (; steps > 0; --steps)
            m_document->redo();
        m_document->clearUndoRedoStacks();
        // The text the edits removed is now the text document's to collect,
        // which it does only with its own history off.
        m_document->setUndoRedoEnabled(false);
        m_document->setUndoRedoEnabled(true);
    }
    recordOperators(edit, replaced);
}

void SequenceDocument::endDirect()
{
    const Direct direct = *std::exchange(m_direct, std::nullopt);
    m_document->setUndoRedoEnabled(true);
    if (!direct.change)
        return;
    const Pending &change = *direct.change;
    if (change.position < direct.position || change.position + change.removed > direct.position + direct.text.size()) {
        // Beyond what was read: what it replaced is not known, nor can the
        // steps before it be undone over it.
        m_history.dropAll();
        announce();
        return;
    }
    recordOperators(change, direct.text.mid(change.position - direct.position, change.removed));
}

void SequenceDocument::recordOperators(const Pending &change, const QString &replaced)
{
    const QString now = textRange(change.position, change.added);
    if (replaced == now)
        return; // taken back meanwhile
    const bool typed = change.removed + change.added <= typedMost && (change.removed == 0) != (change.added == 0)
                       && !now.contains(cr) && !replaced.contains(cr);
    m_history.record(change.position, change.added, replaced,
                     typed ? EditHistory::Typing::Yes : EditHistory::Typing::No);
    announce();
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
    takeOverPending();
    stopParts();
    if (m_direct)
        endDirect();
    const bool modified = isModified();
    ++m_programDepth;
    m_document->setUndoRedoEnabled(false);
    QTextCursor cursor(m_document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(withLineBreaks(piece));
    m_document->setUndoRedoEnabled(true);
    m_history.clear();
    m_history.setModified(modified);
    --m_programDepth;
    m_programChanged = programChanged;
    m_appendingPiece = wasAppending;
    announce();
}
