// SPDX-License-Identifier: MIT
#include "sequenceeditor.h"

#include "core/sequencedocument.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <optional>

using sequencetext::withLineBreaks;

namespace {

constexpr QChar cr = u'\r';

// While a selection is dragged outside the view, it follows the mouse this
// often; each step scrolls as far as the mouse is outside.
constexpr int autoScrollMs = 50;

} // namespace

SequenceEditor::SequenceEditor(QWidget *parent) : SequenceEditor(*new SequenceDocument, parent)
{
    m_ownDocument.reset(&m_sequence);
}

SequenceEditor::SequenceEditor(SequenceDocument &document, QWidget *parent)
    : QPlainTextEdit(parent), m_sequence(document)
{
    // The text document goes right after this signal, and the widget may still
    // paint or lose the focus afterwards.
    m_documentGone = connect(&document, &QObject::destroyed, this, &SequenceEditor::releaseDocument);
    QTextDocument &shown = document.textDocument();
    // The editor lays the text out line by line, as it does its own document.
    shown.setDocumentLayout(new QPlainTextDocumentLayout(&shown));
    setDocument(&shown);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Lines are shown black on white whatever the desktop theme: "black" is the
    // colour of a played line.
    QPalette colors = palette();
    colors.setColor(QPalette::Text, Qt::black);
    colors.setColor(QPalette::Base, Qt::white);
    setPalette(colors);
    // During playback the view scrolls with every line. The scroll bar's box
    // paints its own background, so the bar is repainted alone rather than
    // with the frame and the group box behind it.
    verticalScrollBar()->parentWidget()->setAutoFillBackground(true);
    horizontalScrollBar()->parentWidget()->setAutoFillBackground(true);
}

SequenceEditor::~SequenceEditor()
{
    releaseDocument();
}

void SequenceEditor::releaseDocument()
{
    if (!m_documentGone)
        return;
    disconnect(m_documentGone);
    setDocument(nullptr);
}

QString SequenceEditor::text() const
{
    return m_sequence.text();
}

void SequenceEditor::setText(const QString &text)
{
    SequenceDocument::ProgramEdit edit(m_sequence);
    m_sequence.setText(text);
    setTextCursor(QTextCursor(document()));
}

int SequenceEditor::clampToDocument(qsizetype position) const
{
    // The document counts in int; a position beyond its end means its end.
    const int last = document()->characterCount() - 1;
    return position < 0 ? 0 : position > last ? last : static_cast<int>(position);
}

qsizetype SequenceEditor::selectionStart() const
{
    return textCursor().selectionStart();
}

void SequenceEditor::setSelectionStart(qsizetype position)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(clampToDocument(position));
    setTextCursor(cursor);
}

void SequenceEditor::setSelectionLength(qsizetype length)
{
    QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    cursor.setPosition(start);
    cursor.setPosition(clampToDocument(start + qMax<qsizetype>(length, 0)), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void SequenceEditor::select(qsizetype position, qsizetype length)
{
    // Each move of a cursor measures where it stands on its line; a cursor made
    // at the start of a line, as playback's are, skips one of those.
    const int start = clampToDocument(position);
    QTextCursor cursor(document()->findBlock(start));
    if (cursor.position() != start)
        cursor.setPosition(start);
    cursor.setPosition(clampToDocument(position + qMax<qsizetype>(length, 0)), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QList<QTextBlock> SequenceEditor::linesInView() const
{
    QList<QTextBlock> lines;
    const qreal bottom = viewport()->height();
    const QPointF offset = contentOffset();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        if (blockBoundingGeometry(block).translated(offset).top() > bottom)
            break;
        lines.append(block);
    }
    return lines;
}

QString SequenceEditor::selectedText() const
{
    QString selected = textCursor().selectedText();
    selected.replace(QChar::ParagraphSeparator, cr);
    return selected;
}

void SequenceEditor::setSelectedText(const QString &text)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection() && text.isEmpty())
        return;
    SequenceDocument::ProgramEdit edit(m_sequence);
    const qsizetype start = cursor.selectionStart();
    cursor.setPosition(int(m_sequence.replace(start, cursor.selectionEnd() - start, text)));
    setTextCursor(cursor);
}

void SequenceEditor::setSelectionColor(const QColor &color)
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection() || hasOnlyColor(selection, color))
        return;
    m_sequence.setColor(selection.selectionStart(), selection.selectionEnd() - selection.selectionStart(), color);
}

bool SequenceEditor::hasOnlyColor(const QTextCursor &selection, const QColor &color) const
{
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            const QColor shown = format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color()
                                                                                  : palette().color(QPalette::Text);
            if (shown != color)
                return false;
        }
    }
    return true;
}

qsizetype SequenceEditor::lineCount() const
{
    return m_sequence.lineCount();
}

qsizetype SequenceEditor::lineFromPosition(qsizetype position) const
{
    return m_sequence.lineAt(position);
}

qsizetype SequenceEditor::lineStart(qsizetype line) const
{
    return m_sequence.lineStart(line);
}

qsizetype SequenceEditor::lineLength(qsizetype position) const
{
    return m_sequence.lineLengthAt(position);
}

QString SequenceEditor::textRange(qsizetype position, qsizetype count) const
{
    return m_sequence.textRange(position, count);
}

void SequenceEditor::appendLine(const QString &line)
{
    SequenceDocument::ProgramEdit edit(m_sequence);
    const qsizetype lineStart = m_sequence.appendLine(line);
    QTextCursor cursor = textCursor();
    cursor.setPosition(int(lineStart));
    setTextCursor(cursor);
}

void SequenceEditor::keyPressEvent(QKeyEvent *event)
{
    // A key that may change the text works on the whole of it; moving about
    // (keys without text) does not wait for the rest of a load.
    std::optional<SequenceDocument::OperatorEdit> edit;
    if (!event->text().isEmpty()) {
        m_sequence.completePending();
        edit.emplace(m_sequence, textCursor());
    }
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ShiftModifier)) {
        // Shift+Enter would insert a soft break; here every break ends a line.
        insertPlainText(QStringLiteral("\n"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void SequenceEditor::insertFromMimeData(const QMimeData *source)
{
    m_sequence.completePending();
    const SequenceDocument::OperatorEdit edit(m_sequence, textCursor());
    if (source->hasText())
        insertPlainText(withLineBreaks(source->text()));
}

// A left press is handled here rather than by QPlainTextEdit, whose press
// looks for list markers by walking every line of the document: a click would
// cost in proportion to the length of the sequence. Everything else a press
// does (caret, Shift extension, dragging a selected text) is done here with
// the cursor under the mouse, found from the lines on screen.
void SequenceEditor::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QPlainTextEdit::mousePressEvent(event);
        return;
    }
    m_autoScroll.stop();
    const QTextLayout *layout = textCursor().block().layout();
    if (layout && !layout->preeditAreaText().isEmpty()) {
        // The input method is composing: Qt commits or keeps its text.
        m_gesture = Gesture::Qt;
        QPlainTextEdit::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    const int hit = cursorForPosition(point).position();
    QTextCursor cursor = textCursor();
    if (event->modifiers() == Qt::ShiftModifier) {
        cursor.setPosition(hit, QTextCursor::KeepAnchor);
    } else if (cursor.hasSelection() && hit >= cursor.selectionStart() && hit <= cursor.selectionEnd()) {
        m_gesture = Gesture::MaybeDrag;
        m_pressPoint = point;
        return;
    } else {
        cursor.setPosition(hit);
    }
    m_gesture = Gesture::Select;
    m_mousePoint = point;
    setTextCursor(cursor);
}

void SequenceEditor::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    switch (m_gesture) {
    case Gesture::Select:
        if (!(event->buttons() & Qt::LeftButton))
            return;
        m_mousePoint = point;
        extendSelectionTo(point);
        if (viewport()->rect().contains(point))
            m_autoScroll.stop();
        else if (!m_autoScroll.isActive())
            m_autoScroll.start(autoScrollMs, this);
        return;
    case Gesture::MaybeDrag:
        if ((point - m_pressPoint).manhattanLength() > QApplication::startDragDistance())
            dragSelection();
        return;
    case Gesture::Qt:
        QPlainTextEdit::mouseMoveEvent(event);
        return;
    case Gesture::None:
        // Without a gesture of the left button there is nothing to select, and
        // QPlainTextEdit would walk every line looking for a list marker.
        return;
    }
}

void SequenceEditor::mouseReleaseEvent(QMouseEvent *event)
{
    const bool left = event->button() == Qt::LeftButton;
    if (left) {
        m_autoScroll.stop();
        QTextCursor cursor = textCursor();
        if (m_gesture == Gesture::MaybeDrag) {
            // Pressed inside the selection and released without dragging: the
            // caret goes where the button came up.
            cursor.setPosition(cursorForPosition(event->position().toPoint()).position());
            setTextCursor(cursor);
        } else if (m_gesture == Gesture::Select && cursor.hasSelection()) {
            QClipboard *clipboard = QGuiApplication::clipboard();
            if (clipboard->supportsSelection())
                clipboard->setMimeData(createMimeDataFromSelection(), QClipboard::Selection);
        }
    }
    QPlainTextEdit::mouseReleaseEvent(event);
    if (left) {
        m_gesture = Gesture::None;
        Q_EMIT clicked();
    }
}

void SequenceEditor::mouseDoubleClickEvent(QMouseEvent *event)
{
    // QPlainTextEdit selects the word, and extends the selection word by word
    // while the button stays down; none of it walks the document.
    if (event->button() == Qt::LeftButton) {
        m_autoScroll.stop();
        m_gesture = Gesture::Qt;
    }
    QPlainTextEdit::mouseDoubleClickEvent(event);
}

void SequenceEditor::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_autoScroll.timerId()) {
        QPlainTextEdit::timerEvent(event);
        return;
    }
    // Following the mouse scrolls the view towards it (the selection end is
    // kept visible), so repeating it scrolls on while the mouse rests outside.
    extendSelectionTo(m_mousePoint);
}

void SequenceEditor::resizeEvent(QResizeEvent *event)
{
    // Lines are never wrapped, so a new width changes no line's layout. On a
    // new width QPlainTextEdit would still lay out every line again, giving
    // each its own text layout: time and some 340 bytes a line for the whole
    // sequence. Hand it the resize with the width it already has.
    QResizeEvent sameWidth(event->size(), QSize(event->size().width(), event->oldSize().height()));
    QPlainTextEdit::resizeEvent(&sameWidth);
}

void SequenceEditor::extendSelectionTo(QPoint point)
{
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursorForPosition(point).position(), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void SequenceEditor::dragSelection()
{
    m_gesture = Gesture::None;
    auto *drag = new QDrag(viewport());
    drag->setMimeData(createMimeDataFromSelection());
    // Dropped here, QPlainTextEdit moves the text itself; dropped elsewhere, it
    // is taken out here.
    if (drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction) == Qt::MoveAction && drag->target() != viewport())
        textCursor().removeSelectedText();
}
