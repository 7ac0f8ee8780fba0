#include "recoverycopy.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

RecoveryCopy::RecoveryCopy(const QString &sequencePath, UnsavedText unsavedText, std::chrono::milliseconds delay,
                           QObject *parent)
    : QObject(parent),
      m_file(sequencePath + QStringLiteral(".recovery")),
      m_sequencePath(sequencePath),
      m_unsavedText(std::move(unsavedText))
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(delay);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryCopy::writeDue);
}

std::optional<QString> RecoveryCopy::newerThanSequence() const
{
    const QFileInfo copy(path());
    const QFileInfo sequence(m_sequencePath);
    if (!copy.isFile() || (sequence.exists() && copy.lastModified() <= sequence.lastModified()))
        return std::nullopt;
    QString error;
    return SequenceFile(path()).load(&error);
}

void RecoveryCopy::textChanged()
{
    m_timer.start();
}

std::optional<QString> RecoveryCopy::writeNow()
{
    m_timer.stop();
    const std::optional<QString> text = m_unsavedText();
    if (!text) {
        discard();
        return std::nullopt;
    }
    return m_file.save(*text);
}

void RecoveryCopy::writeDue()
{
    const std::optional<QString> error = writeNow();
    if (error && !std::exchange(m_failedBefore, true))
        Q_EMIT writeFailed(*error);
}

void RecoveryCopy::discard()
{
    m_timer.stop();
    QFile::remove(path());
}
