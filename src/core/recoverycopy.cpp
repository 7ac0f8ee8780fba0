// SPDX-License-Identifier: MIT
#include "recoverycopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <utility>

RecoveryCopy::RecoveryCopy(const QString &copyPath, UnsavedText unsavedText, std::chrono::milliseconds delay,
                           QObject *parent)
    : QObject(parent), m_file(copyPath), m_unsavedText(std::move(unsavedText))
{
    m_file.setOwnerOnly();
    m_timer.setSingleShot(true);
    m_timer.setInterval(delay);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryCopy::writeDue);
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

namespace recoverycopies {

QString name(const QString &sequencePath, int n)
{
    const QString first = sequencePath + QStringLiteral(".recovery");
    return n <= 1 ? first : first + QStringLiteral("-%1").arg(n);
}

QStringList onDisk(const QString &sequencePath)
{
    const QFileInfo sequence(sequencePath);
    const QRegularExpression copyName(QStringLiteral("^%1\\.recovery(?:-([2-9]|[1-9][0-9]{1,3}))?(?:\\.lock)?$")
                                          .arg(QRegularExpression::escape(sequence.fileName())));
    QList<int> numbers;
    const QStringList entries =
        QDir(sequence.absolutePath()).entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch match = copyName.match(entry);
        if (!match.hasMatch())
            continue;
        const int n = match.captured(1).isEmpty() ? 1 : match.captured(1).toInt();
        if (!numbers.contains(n))
            numbers.append(n);
    }
    std::sort(numbers.begin(), numbers.end());
    QStringList names;
    for (const int n : std::as_const(numbers))
        names.append(name(sequencePath, n));
    return names;
}

std::optional<QString> newerThanSequence(const QString &copyPath, const QString &sequencePath)
{
    const QFileInfo copy(copyPath);
    const QFileInfo sequence(sequencePath);
    if (copy.isSymLink() || !copy.isFile() || (sequence.exists() && copy.lastModified() <= sequence.lastModified()))
        return std::nullopt;
    QString error;
    return SequenceFile(copyPath).load(&error);
}

} // namespace recoverycopies
