// SPDX-License-Identifier: MIT
#pragma once

#include <QBasicTimer>
#include <QObject>
#include <QString>

class SequenceDocument;

// Brings a long text into the document without holding up the window: the
// first screen at once, the rest in pieces, one per turn of the event loop, each
// small enough that keys, the mouse and the port are answered in between.
//
// Until the last piece is in, the document holds the rest as pending: reading
// the whole text or any program edit first brings it all in at once (see
// SequenceDocument::setPendingRest), so what is saved, played or edited is
// always the whole text. The undo history stays empty and the saved state
// untouched; the text ends up as setText() would have made it.
class SequenceLoader final : public QObject
{
    Q_OBJECT

public:
    explicit SequenceLoader(SequenceDocument &document, QObject *parent = nullptr);
    ~SequenceLoader() override;

    // Replaces the document's text with `text`, the part past the first
    // screen in pieces. A load still going is dropped.
    void load(const QString &text);
    // Brings in the rest now; at once when nothing is pending.
    void finishNow();
    bool isLoading() const { return m_timer.isActive(); }
    // Characters in the document so far, and in all.
    qsizetype loaded() const { return m_next; }
    qsizetype total() const { return m_text.size(); }

Q_SIGNALS:
    // A piece came in; not raised for the first screen.
    void progressed();
    // finishNow() is about to bring in the rest, which takes a while.
    void finishing();
    // The whole text is in (raised by load() too when it fits the first screen).
    void finished();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void appendUpTo(qsizetype end);
    void end();

    SequenceDocument &m_document;
    QString m_text;
    qsizetype m_next = 0;
    qsizetype m_pieceLines = 2000; // grows or shrinks to the time budget of a piece
    QBasicTimer m_timer;
};

namespace sequenceloading {

// Where the line after the `lines`-th line break at or after `from` starts (a
// CR LF counts as one break); the end of `text` when it has fewer.
qsizetype afterLines(const QString &text, qsizetype from, qsizetype lines);

} // namespace sequenceloading
