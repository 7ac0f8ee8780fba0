// SPDX-License-Identifier: MIT
#include "sentposejournal.h"

#include "programsettings.h"
#include "sequencefile.h"
#include "shared/wirecommand.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int version = 1;
// 32 entries take under 2 KB; anything far larger is not a journal, and is not
// read into memory at start-up.
constexpr qint64 largestFile = 64 * 1024;

const QString versionKey = QStringLiteral("version");
const QString channelsKey = QStringLiteral("channels");
const QString channelKey = QStringLiteral("channel");
const QString pulseKey = QStringLiteral("pulse");
const QString sentAtKey = QStringLiteral("sentAt");

// As cmd.txt is written: whole or not at all, the owner's alone, a link
// replaced rather than written through. The system's reason when it cannot be.
std::optional<QString> writeFile(const QString &path, const QByteArray &bytes)
{
    SequenceFile file(path);
    file.setOwnerOnly();
    return file.save(QString::fromUtf8(bytes));
}

} // namespace

QString SentPoseJournal::defaultPath()
{
    return QFileInfo(programsettings::path()).dir().filePath(QStringLiteral("last-sent-pose.json"));
}

QString SentPoseJournal::pathFor(const QString &basePath, std::optional<int> port)
{
    if (!port || *port < 1)
        return {};
    const QFileInfo base(basePath);
    return base.dir().filePath(
        QStringLiteral("%1-COM%2.%3").arg(base.completeBaseName()).arg(*port).arg(base.suffix()));
}

SentPoseJournal::SentPoseJournal(QString basePath, Schedule schedule, QObject *parent)
    : QObject(parent), m_basePath(std::move(basePath)), m_schedule(std::move(schedule))
{
    m_writer.setMaxThreadCount(1);
    if (!m_schedule)
        m_schedule = [this](int ms, std::function<void()> due) { QTimer::singleShot(ms, this, std::move(due)); };
}

SentPoseJournal::~SentPoseJournal()
{
    m_writer.waitForDone();
    if (!m_unsaved || m_path.isEmpty())
        return;
    if (const std::optional<QString> failure = saveNow())
        qWarning("The last pose sent could not be kept in %s: %s", qPrintable(m_path), qPrintable(*failure));
}

SentPoseJournal::Loading SentPoseJournal::load(std::optional<int> port)
{
    const QString path = pathFor(m_basePath, port);
    if (m_loaded && path == m_path)
        return {isEmpty() ? Loading::Outcome::NoFile : Loading::Outcome::Loaded, {}};
    finishWriting(); // a write under way for the port before has been told
    if (m_unsaved && !m_path.isEmpty()) {
        if (const std::optional<QString> failure = saveNow())
            Q_EMIT saveFailed(*failure);
    }
    m_loaded = true;
    m_path = path;
    m_unsaved = false;
    m_fromOldFile = false;
    m_failedBefore = false;
    if (!path.isEmpty() && (QFileInfo::exists(path) || QFileInfo(path).isSymLink()))
        return read(path);
    const Loading old = read(m_basePath);
    m_fromOldFile = !path.isEmpty() && old.outcome == Loading::Outcome::Loaded;
    return old;
}

SentPoseJournal::Loading SentPoseJournal::read(const QString &path)
{
    m_channels = {};
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    // Only a regular file of its own: opening a FIFO or a device could wait for
    // ever, and a link may lead anywhere.
    if (!info.isFile() || info.isSymLink())
        return {Loading::Outcome::Damaged, {}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {Loading::Outcome::Unreadable, file.errorString()};
    if (file.size() > largestFile)
        return {Loading::Outcome::Damaged, {}};
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {Loading::Outcome::Unreadable, file.errorString()};

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError || root.value(versionKey).toInt() != version
        || !root.value(channelsKey).isArray())
        return {Loading::Outcome::Damaged, {}};
    decltype(m_channels) read;
    for (const QJsonValue &value : root.value(channelsKey).toArray()) {
        const QJsonObject entry = value.toObject();
        const int channel = entry.value(channelKey).toInt(-1);
        const int pulse = entry.value(pulseKey).toInt(-1);
        const QDateTime sentAt = QDateTime::fromString(entry.value(sentAtKey).toString(), Qt::ISODateWithMs);
        if (channel < 0 || channel >= int(read.size()) || read[size_t(channel)] || pulse < motion::minPulse
            || pulse > motion::maxPulse || !sentAt.isValid())
            return {Loading::Outcome::Damaged, {}};
        read[size_t(channel)] = Entry{pulse, sentAt.toUTC()};
    }
    m_channels = read;
    return {Loading::Outcome::Loaded, {}};
}

void SentPoseJournal::sent(QStringView command, const QDateTime &at)
{
    bool moved = false;
    // Read as the board reads it (and as the arm's twin does).
    for (const QByteArray &line : command.toLatin1().replace('\n', '\r').split('\r')) {
        for (const motion::Target &target : wirecommand::read(line).targets()) {
            std::optional<Entry> &entry = m_channels[size_t(target.channel)];
            moved = moved || !entry || entry->pulse != target.pulse;
            entry = Entry{target.pulse, at.toUTC()};
            m_unsaved = true;
        }
    }
    if (m_unsaved && !m_saveScheduled && !m_path.isEmpty()) {
        m_saveScheduled = true;
        m_schedule(saveDelayMs, [this] { saveDue(); });
    }
    if (moved)
        Q_EMIT poseChanged();
}

void SentPoseJournal::saveDue()
{
    m_saveScheduled = false;
    if (!m_unsaved)
        return;
    m_unsaved = false;
    m_writer.start([this, path = m_path, bytes = contents()] {
        const std::optional<QString> failure = writeFile(path, bytes);
        // The journal waits for this thread before it goes.
        QMetaObject::invokeMethod(
            this, [this, path, failure] { written(path, failure); }, Qt::QueuedConnection);
    });
}

void SentPoseJournal::written(const QString &path, const std::optional<QString> &failure)
{
    // Another port's journal has been taken since.
    if (path != m_path)
        return;
    if (!failure) {
        m_failedBefore = false;
        if (std::exchange(m_fromOldFile, false))
            QFile::remove(m_basePath);
        return;
    }
    m_unsaved = true; // tried again after the next change, and at the end
    if (!std::exchange(m_failedBefore, true))
        Q_EMIT saveFailed(*failure);
}

void SentPoseJournal::finishWriting()
{
    m_writer.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

std::optional<QString> SentPoseJournal::saveNow()
{
    m_writer.waitForDone();
    if (m_path.isEmpty())
        return std::nullopt;
    if (std::optional<QString> failure = writeFile(m_path, contents()))
        return failure;
    m_unsaved = false;
    if (std::exchange(m_fromOldFile, false))
        QFile::remove(m_basePath);
    return std::nullopt;
}

QByteArray SentPoseJournal::contents() const
{
    QJsonArray channels;
    for (size_t channel = 0; channel < m_channels.size(); ++channel) {
        if (const std::optional<Entry> &entry = m_channels[channel])
            channels.append(QJsonObject{{channelKey, int(channel)},
                                        {pulseKey, entry->pulse},
                                        {sentAtKey, entry->sentAt.toString(Qt::ISODateWithMs)}});
    }
    return QJsonDocument(QJsonObject{{versionKey, version}, {channelsKey, channels}}).toJson(QJsonDocument::Compact);
}

bool SentPoseJournal::isEmpty() const
{
    return std::none_of(m_channels.begin(), m_channels.end(), [](const auto &entry) { return entry.has_value(); });
}

std::map<int, int> SentPoseJournal::pose() const
{
    std::map<int, int> pose;
    for (size_t channel = 0; channel < m_channels.size(); ++channel) {
        if (m_channels[channel])
            pose[int(channel)] = m_channels[channel]->pulse;
    }
    return pose;
}

std::optional<QDateTime> SentPoseJournal::lastSentAt() const
{
    std::optional<QDateTime> last;
    for (const std::optional<Entry> &entry : m_channels) {
        if (entry && (!last || entry->sentAt > *last))
            last = entry->sentAt;
    }
    return last;
}
