// SPDX-License-Identifier: MIT
#pragma once

#include "core/sequencedocument.h"

#include <QBasicTimer>
#include <QPlainTextEdit>

#include <memory>

// The editor of the action sequence: a view of a SequenceDocument, which holds
// the text, its changes and their undo history.
//
// Its text, as the rest of the program sees it, ends every line with one CR, and
// positions count a line break as one character (the document's own block
// positions, so no lookup walks the whole text). Every operation below costs in
// proportion to the lines it touches, not to the length of the sequence.
//
// The document's changed() is raised after every change of the text, at once,
// inside the call that made it; a change of colour is not a change of the text.
class SequenceEditor final : public QPlainTextEdit
{
    Q_OBJECT

public:
    // Shows `document`. A document destroyed first leaves the editor empty and
    // to be destroyed itself.
    explicit SequenceEditor(SequenceDocument &document, QWidget *parent = nullptr);
    // Shows a document of its own.
    explicit SequenceEditor(QWidget *parent = nullptr);
    ~SequenceEditor() override;

    SequenceDocument &sequence() const { return m_sequence; }

    // The whole text with CR line ends; setting it replaces the content (and its
    // undo history). CR, LF and CR LF are all taken as one line break.
    QString text() const;
    void setText(const QString &text);

    qsizetype selectionStart() const;
    // Puts the caret at `position` with nothing selected.
    void setSelectionStart(qsizetype position);
    // Selects `length` characters from the selection start.
    void setSelectionLength(qsizetype length);
    QString selectedText() const;
    // Replaces the selection; the caret ends after the new text.
    void setSelectedText(const QString &text);
    // Selects `length` characters from `position` in one step (one repaint of
    // the old and the new selection).
    void select(qsizetype position, qsizetype length);
    // Text colour of the selected characters.
    void setSelectionColor(const QColor &color);
    // The lines the view shows, whole or in part, top to bottom.
    QList<QTextBlock> linesInView() const;

    qsizetype lineCount() const;
    // Index of the line that holds `position`.
    qsizetype lineFromPosition(qsizetype position) const;
    // Position of the first character of `line`; -1 past the last line.
    qsizetype lineStart(qsizetype line) const;
    // Length of the line that holds `position`, line break excluded.
    qsizetype lineLength(qsizetype position) const;
    // Up to `count` characters from `position`, line breaks as CR.
    QString textRange(qsizetype position, qsizetype count) const;

    // Appends `line` (which carries its own line break) as the new last line, and
    // puts the caret at its start. When the text does not end with a line break,
    // the old last line is ended first so the two stay apart.
    void appendLine(const QString &line);

Q_SIGNALS:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // What the left mouse button does from its press to its release.
    enum class Gesture {
        None,
        Select,    // a press placed the caret; moving extends the selection
        MaybeDrag, // a press inside the selection; moving far enough drags the text
        Qt,        // left to QPlainTextEdit (double-click word selection, input method)
    };

    // Lets go of the document, whose text the widget still shows; it stays on
    // screen, if at all, with an empty text of its own.
    void releaseDocument();
    int clampToDocument(qsizetype position) const;
    bool hasOnlyColor(const QTextCursor &selection, const QColor &color) const;
    void extendSelectionTo(QPoint point);
    void dragSelection();

    std::unique_ptr<SequenceDocument> m_ownDocument;
    SequenceDocument &m_sequence;
    QMetaObject::Connection m_documentGone;
    Gesture m_gesture = Gesture::None;
    QPoint m_pressPoint;
    QPoint m_mousePoint;      // where the mouse was last seen during a Select gesture
    QBasicTimer m_autoScroll; // runs while a Select gesture is outside the viewport
};
