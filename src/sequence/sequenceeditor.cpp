#include "sequenceeditor.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>

namespace {

constexpr QChar cr = u'\r';

// QTextCursor::insertText turns LF into a new line (a block), and nothing else.
// Every other kind of line break becomes LF too: a soft break (U+2028) would
// show as a new line on screen while staying part of the same sequence line.
QString withLineFeeds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(cr, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

} // namespace

// Marks the edits the program itself makes: they raise changed(Program) once,
// after the edit, instead of the document's own notifications.
class SequenceEditor::ProgramEdit
{
public:
    explicit ProgramEdit(SequenceEditor &editor) : m_editor(editor), m_outer(!editor.m_programEdit)
    {
        m_editor.m_programEdit = true;
    }
    ~ProgramEdit()
    {
        if (!m_outer)
            return;
        m_editor.m_programEdit = false;
        if (m_textChanged)
            Q_EMIT m_editor.changed(ChangeSource::Program);
    }
    void textChanged() { m_textChanged = true; }

private:
    SequenceEditor &m_editor;
    bool m_outer;
    bool m_textChanged = false;
};

SequenceEditor::SequenceEditor(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::NoWrap);
    // Lines are shown black on white whatever the desktop theme: "black" is the
    // colour of a played line.
    QPalette colors = palette();
    colors.setColor(QPalette::Text, Qt::black);
    colors.setColor(QPalette::Base, Qt::white);
    setPalette(colors);
    connect(document(), &QTextDocument::contentsChange, this, &SequenceEditor::onContentsChange);
}

QString SequenceEditor::text() const
{
    // Read block by block: toPlainText() would turn no-break spaces into blanks.
    return textRange(0, document()->characterCount() - 1);
}

void SequenceEditor::setText(const QString &text)
{
    ProgramEdit edit(*this);
    setPlainText(withLineFeeds(text));
    edit.textChanged();
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
    ProgramEdit edit(*this);
    cursor.insertText(withLineFeeds(text));
    setTextCursor(cursor);
    edit.textChanged();
}

void SequenceEditor::setSelectionColor(const QColor &color)
{
    const QTextCursor selection = textCursor();
    if (!selection.hasSelection() || hasOnlyColor(selection, color))
        return;
    // Not a change of the text: keep it out of changed().
    const bool wasProgramEdit = std::exchange(m_programEdit, true);
    QTextCharFormat format;
    format.setForeground(color);
    QTextCursor(selection).mergeCharFormat(format);
    m_programEdit = wasProgramEdit;
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
            const QColor shown = format.hasProperty(QTextFormat::ForegroundBrush)
                                     ? format.foreground().color()
                                     : palette().color(QPalette::Text);
            if (shown != color)
                return false;
        }
    }
    return true;
}

qsizetype SequenceEditor::lineCount() const
{
    return document()->blockCount();
}

qsizetype SequenceEditor::lineFromPosition(qsizetype position) const
{
    return document()->findBlock(int(position)).blockNumber();
}

qsizetype SequenceEditor::lineStart(qsizetype line) const
{
    const QTextBlock block = document()->findBlockByNumber(int(line));
    return block.isValid() ? block.position() : -1;
}

qsizetype SequenceEditor::lineLength(qsizetype position) const
{
    const QTextBlock block = document()->findBlock(int(position));
    return block.isValid() ? block.length() - 1 : 0;
}

QString SequenceEditor::textRange(qsizetype position, qsizetype count) const
{
    QString range;
    const qsizetype end = position + count;
    for (QTextBlock block = document()->findBlock(int(position)); block.isValid() && block.position() < end;
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

void SequenceEditor::appendLine(const QString &line)
{
    ProgramEdit edit(*this);
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    if (!cursor.block().text().isEmpty())
        cursor.insertText(QStringLiteral("\n"));
    const int lineStart = cursor.position();
    cursor.insertText(withLineFeeds(line));
    cursor.endEditBlock();
    cursor.setPosition(lineStart);
    setTextCursor(cursor);
    edit.textChanged();
}

void SequenceEditor::keyPressEvent(QKeyEvent *event)
{
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
    if (source->hasText())
        insertPlainText(withLineFeeds(source->text()));
}

void SequenceEditor::mouseReleaseEvent(QMouseEvent *event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

void SequenceEditor::onContentsChange(int, int removed, int added)
{
    if (!m_programEdit && (removed != 0 || added != 0))
        Q_EMIT changed(ChangeSource::Operator);
}
