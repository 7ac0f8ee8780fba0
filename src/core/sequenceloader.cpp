// SPDX-License-Identifier: MIT
#include "sequenceloader.h"

#include "sequencedocument.h"

#include <QElapsedTimer>
#include <QTimerEvent>

namespace {

// More lines than any screen shows.
constexpr qsizetype firstScreenLines = 200;
// A piece of lines takes about this long, so that the window answers in between.
constexpr qint64 pieceBudgetNs = 15'000'000;

} // namespace

namespace sequenceloading {

qsizetype afterLines(const QString &text, qsizetype from, qsizetype lines)
{
    qsizetype at = from;
    for (qsizetype found = 0; found < lines; ++found) {
        const qsizetype size = text.size();
        while (at < size && text[at] != u'\r' && text[at] != u'\n' && text[at] != QChar::LineSeparator)
            ++at;
        if (at == size)
            return size;
        if (text[at] == u'\r' && at + 1 < size && text[at + 1] == u'\n')
            ++at;
        ++at;
    }
    return at;
}

} // namespace sequenceloading

SequenceLoader::SequenceLoader(SequenceDocument &document, QObject *parent) : QObject(parent), m_document(document) { }

SequenceLoader::~SequenceLoader()
{
    if (isLoading())
        m_document.setPendingRest({});
}

void SequenceLoader::load(const QString &text)
{
    m_timer.stop();
    m_document.setPendingRest({});
    m_text = text;
    m_next = sequenceloading::afterLines(m_text, 0, firstScreenLines);
    m_document.setText(m_text.first(m_next));
    if (m_next == m_text.size()) {
        end();
        return;
    }
    m_document.setPendingRest([this] { finishNow(); });
    m_timer.start(0, this);
}

void SequenceLoader::finishNow()
{
    if (!isLoading())
        return;
    Q_EMIT finishing();
    appendUpTo(m_text.size());
    end();
}

void SequenceLoader::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // The piece grows or shrinks to fit the budget, whatever the machine.
    QElapsedTimer clock;
    clock.start();
    appendUpTo(sequenceloading::afterLines(m_text, m_next, m_pieceLines));
    const qint64 took = qMax<qint64>(clock.nsecsElapsed(), 1);
    m_pieceLines = qBound(qsizetype(100), qsizetype(double(m_pieceLines) * double(pieceBudgetNs) / double(took)),
                          qsizetype(100000));
    if (m_next == m_text.size())
        end();
    else
        Q_EMIT progressed();
}

void SequenceLoader::appendUpTo(qsizetype end)
{
    if (end > m_next)
        m_document.appendPiece(m_text.sliced(m_next, end - m_next));
    m_next = end;
}

void SequenceLoader::end()
{
    m_timer.stop();
    m_document.setPendingRest({});
    m_text.clear();
    m_next = 0;
    Q_EMIT finished();
}
