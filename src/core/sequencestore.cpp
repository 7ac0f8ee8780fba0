// SPDX-License-Identifier: MIT
#include "sequencestore.h"

#include "core/recoverycopy.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <algorithm>

namespace {

// At most this many copies of the program keep a recovery copy of one file.
constexpr int copyNames = 64;

enum class LockResult { Held, HeldElsewhere, Unavailable };

// The lock on a recovery copy's name. A lock whose program is gone is taken
// over; one held by a running program never is, however old.
LockResult lockName(const QString &copyPath, std::unique_ptr<QLockFile> *lock)
{
    auto candidate = std::make_unique<QLockFile>(copyPath + QStringLiteral(".lock"));
    candidate->setStaleLockTime(0);
    if (candidate->tryLock(0)) {
        *lock = std::move(candidate);
        return LockResult::Held;
    }
    return candidate->error() == QLockFile::LockFailedError ? LockResult::HeldElsewhere : LockResult::Unavailable;
}

} // namespace

SequenceStore::SequenceStore(QString sequencePath, std::chrono::milliseconds recoveryDelay, QObject *parent)
    : QObject(parent), m_file(std::move(sequencePath)), m_recoveryDelay(recoveryDelay)
{ }

SequenceStore::~SequenceStore() = default;

QString SequenceStore::recoveryPath() const
{
    return m_recovery ? m_recovery->path() : QString();
}

void SequenceStore::startUp(Text text, Operator &asker)
{
    m_text = std::move(text);
    m_operator = &asker;
    QString error;
    if (const std::optional<QString> loaded = m_file.load(&error))
        m_text.set(*loaded);
    else
        m_operator->sequenceUnreadable(path(), error);
    m_text.markSaved();

    offerRecoveryCopies();
    if (!m_recovery) {
        // The first name that no running copy holds and no earlier run left a copy under.
        for (int n = 1; n <= copyNames && !m_recovery; ++n) {
            const QString name = recoverycopies::name(path(), n);
            std::unique_ptr<QLockFile> lock;
            const LockResult locked = lockName(name, &lock);
            if (locked == LockResult::HeldElsewhere)
                continue;
            if (locked == LockResult::Held && (QFileInfo::exists(name) || QFileInfo(name).isSymLink()))
                continue;
            // Unavailable: the folder takes no lock, so it will take no copy either;
            // the first write says so.
            takeRecoveryName(name, std::move(lock));
        }
        if (!m_recovery)
            takeRecoveryName(recoverycopies::name(path(), copyNames + 1), nullptr);
    }
}

void SequenceStore::offerRecoveryCopies()
{
    bool anotherCopyRuns = false;
    struct Found {
        QString path;
        QString text;
        QDateTime modified;
        std::unique_ptr<QLockFile> lock;
    };
    std::vector<Found> found;
    for (const QString &name : recoverycopies::onDisk(path())) {
        std::unique_ptr<QLockFile> lock;
        const LockResult locked = lockName(name, &lock);
        if (locked == LockResult::HeldElsewhere) {
            // Another running copy's: never offered, never touched.
            anotherCopyRuns = true;
            continue;
        }
        if (std::optional<QString> copy = recoverycopies::newerThanSequence(name, path()))
            found.push_back({name, std::move(*copy), QFileInfo(name).lastModified(), std::move(lock)});
    }
    if (anotherCopyRuns)
        m_operator->sequenceInUse(path());
    // Newest first. One is restored at most: the others stay for the next start.
    std::sort(found.begin(), found.end(), [](const Found &a, const Found &b) { return a.modified > b.modified; });
    for (Found &copy : found) {
        if (m_endRequested)
            return;
        const Operator::Recovery answer = m_operator->offerRecovery(copy.path, path());
        // A question ended by a signal keeps the copy as it is.
        if (m_endRequested)
            return;
        if (answer == Operator::Recovery::Discard) {
            QFile::remove(copy.path);
            continue;
        }
        m_text.set(copy.text);
        // The restored copy becomes this run's own: it holds the text until saved.
        takeRecoveryName(copy.path, std::move(copy.lock));
        return;
    }
}

void SequenceStore::takeRecoveryName(const QString &name, std::unique_ptr<QLockFile> lock)
{
    m_lock = std::move(lock);
    m_recovery = std::make_unique<RecoveryCopy>(
        name,
        [this]() -> std::optional<QString> {
            QString current = m_text.get();
            if (m_file.holds(current))
                return std::nullopt;
            return current;
        },
        m_recoveryDelay);
    connect(m_recovery.get(), &RecoveryCopy::writeFailed, this,
            [this](const QString &reason) { m_operator->recoveryWriteFailed(m_recovery->path(), reason); });
}

void SequenceStore::textChanged()
{
    if (m_recovery)
        m_recovery->textChanged();
}

bool SequenceStore::saveNow()
{
    return save(Occasion::SaveNow);
}

bool SequenceStore::saveOnClose()
{
    return save(Occasion::Close);
}

bool SequenceStore::save(Occasion occasion)
{
    // A text the file holds is not written again, whatever happened to the file
    // meanwhile: it may have been changed by another program, or unreadable.
    const QString text = m_text.get();
    if (m_file.holds(text)) {
        saved();
        return true;
    }
    const bool unattended = occasion == Occasion::Close && m_endRequested;
    if (m_file.mayOverwrite() && m_file.changedOnDisk()) {
        if (unattended)
            return keepUnsaved(std::nullopt);
        // A signal during the question ends the close as a "no".
        if (!m_operator->overwriteChanged(path(), occasion))
            return occasion == Occasion::Close && m_endRequested && keepUnsaved(std::nullopt);
    }
    const std::optional<QString> error = m_file.save(text);
    if (!error) {
        saved();
        return true;
    }
    if (occasion == Occasion::SaveNow) {
        m_operator->saveFailed(path(), *error);
        return false;
    }
    if (unattended)
        return keepUnsaved(error);
    const bool closeAnyway = m_operator->closeDespiteFailure(path(), *error);
    if (m_endRequested)
        return keepUnsaved(error);
    if (!closeAnyway)
        return false;
    // Kept for the next start all the same, if it can be.
    m_recovery->writeNow();
    return true;
}

bool SequenceStore::keepUnsaved(const std::optional<QString> &saveError)
{
    m_operator->keptUnsaved(path(), saveError, m_recovery->path(), m_recovery->writeNow());
    return true;
}

void SequenceStore::saved()
{
    m_recovery->discard();
    m_text.markSaved();
    if (!m_openedFrom.isEmpty()) {
        m_openedFrom.clear();
        Q_EMIT namesChanged();
    }
}

void SequenceStore::keepForNextStart()
{
    m_recovery->writeNow();
}

void SequenceStore::openedInto(const QString &openedPath)
{
    if (openedPath == m_openedFrom)
        return;
    m_openedFrom = openedPath;
    Q_EMIT namesChanged();
}

void SequenceStore::endUnattended()
{
    if (std::exchange(m_endRequested, true))
        return;
    Q_EMIT endRequestedNow();
}
