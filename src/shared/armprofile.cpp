// SPDX-License-Identifier: MIT
#include "armprofile.h"

#include "shared/filereplacement.h"
#include "shared/jsonduplicates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <functional>
#include <limits>

namespace armprofile {

namespace {

using Kind = Problem::Kind;

constexpr const char *roleNames[arm::jointCount] = {"base", "shoulder", "elbow", "wrist", "wristTurn", "gripper"};

// Reads one JSON object into the profile, noting every problem with its field.
class Reader
{
public:
    explicit Reader(Reading &reading) : m_reading(reading) { }

    void readTop(const QJsonObject &top)
    {
        forEachKey(top, {}, {u"version", u"channels", u"arm", u"motion", u"export"},
                   [&](const QString &key, const QJsonValue &value) {
                       if (key == u"version") {
                           if (const auto v = number(value, key); v && *v != version)
                               note(Kind::OtherVersion, key, QString::number(*v));
                           return;
                       }
                       const auto inner = object(value, key);
                       if (!inner)
                           return;
                       if (key == u"channels")
                           readChannels(*inner);
                       else if (key == u"arm")
                           readArm(*inner);
                       else if (key == u"motion")
                           readMotion(*inner, key);
                       else
                           readExport(*inner, key);
                   });
    }

private:
    using Visit = std::function<void(const QString &, const QJsonValue &)>;

    void note(Kind kind, const QString &field, const QString &detail = {})
    {
        m_reading.problems.append({kind, field, 0, 0, detail});
    }

    static QString join(const QString &path, const QString &key) { return path.isEmpty() ? key : path + u'.' + key; }

    void forEachKey(const QJsonObject &object, const QString &path, std::initializer_list<QStringView> known,
                    const Visit &visit)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            const QString key = it.key();
            if (std::find(known.begin(), known.end(), key) == known.end())
                note(Kind::UnknownKey, join(path, key));
            else
                visit(key, it.value());
        }
    }

    std::optional<QJsonObject> object(const QJsonValue &value, const QString &field)
    {
        if (value.isObject())
            return value.toObject();
        note(Kind::WrongType, field);
        return std::nullopt;
    }

    std::optional<double> number(const QJsonValue &value, const QString &field)
    {
        if (value.isDouble())
            return value.toDouble();
        note(Kind::WrongType, field);
        return std::nullopt;
    }

    // A whole number within low..high.
    std::optional<int> whole(const QJsonValue &value, const QString &field, int low, int high, Kind outside)
    {
        const auto v = number(value, field);
        if (!v)
            return std::nullopt;
        if (*v != std::floor(*v)) {
            note(Kind::WrongType, field, QString::number(*v));
            return std::nullopt;
        }
        if (*v < low || *v > high) {
            note(outside, field, QString::number(*v));
            return std::nullopt;
        }
        return int(*v);
    }

    std::optional<int> pulse(const QJsonValue &value, const QString &field)
    {
        return whole(value, field, minPulse, maxPulse, Kind::OutOfRange);
    }

    std::optional<easing::Curve> curve(const QJsonValue &value, const QString &field)
    {
        if (!value.isString()) {
            note(Kind::WrongType, field);
            return std::nullopt;
        }
        const auto known = easing::fromName(value.toString());
        if (!known)
            note(Kind::UnknownEasing, field, value.toString());
        return known;
    }

    // A channel index given as an object key ("5").
    std::optional<int> channelKey(const QString &key, const QString &field)
    {
        bool ok = false;
        const int channel = key.toInt(&ok);
        if (ok && channel >= 0 && channel < ChannelSetup::count && key == QString::number(channel))
            return channel;
        note(Kind::NoSuchChannel, field, key);
        return std::nullopt;
    }

    void readChannels(const QJsonObject &channels)
    {
        for (auto it = channels.begin(); it != channels.end(); ++it) {
            const QString field = join(QStringLiteral("channels"), it.key());
            const auto channel = channelKey(it.key(), field);
            const auto entry = channel ? object(it.value(), field) : std::nullopt;
            if (entry)
                readChannel(*channel, *entry, field);
        }
    }

    void readChannel(int index, const QJsonObject &entry, const QString &path)
    {
        ChannelSetup::Channel &channel = m_reading.profile.channels.channel(index);
        std::optional<int> low, high, home;
        forEachKey(entry, path, {u"name", u"min", u"max", u"home", u"easing"},
                   [&](const QString &key, const QJsonValue &value) {
                       const QString field = join(path, key);
                       if (key == u"name") {
                           if (value.isString())
                               channel.name = value.toString().trimmed();
                           else
                               note(Kind::WrongType, field);
                       } else if (key == u"easing") {
                           if (const auto own = curve(value, field))
                               channel.easing = *own;
                       } else if (key == u"home") {
                           home = pulse(value, field);
                       } else {
                           (key == u"min" ? low : high) = pulse(value, field);
                       }
                   });
        if (low && high && *low > *high) {
            note(Kind::MinAboveMax, join(path, QStringLiteral("min")), QStringLiteral("%1 > %2").arg(*low).arg(*high));
        } else if (low || high) {
            channel.limited = true;
            channel.minimumPulse = low.value_or(minPulse);
            channel.maximumPulse = high.value_or(maxPulse);
        }
        if (!home)
            return;
        // A home the limits would refuse: the limits are what keeps the arm whole.
        if (*home < channel.minimumPulse || *home > channel.maximumPulse)
            note(Kind::HomeOutsideLimits, join(path, QStringLiteral("home")),
                 QStringLiteral("%1 ∉ %2..%3").arg(*home).arg(channel.minimumPulse).arg(channel.maximumPulse));
        else
            channel.homePulse = *home;
    }

    void readMotion(const QJsonObject &motionObject, const QString &path)
    {
        ArmProfile::Motion &motion = m_reading.profile.motion;
        forEachKey(motionObject, path, {u"easing", u"stepMs"}, [&](const QString &key, const QJsonValue &value) {
            const QString field = join(path, key);
            if (key == u"easing") {
                if (const auto all = curve(value, field))
                    motion.easing = *all;
            } else if (const auto step =
                           whole(value, field, easing::leastStepMs, easing::mostStepMs, Kind::OutOfRange)) {
                motion.stepMs = *step;
            }
        });
    }

    void readExport(const QJsonObject &exportObject, const QString &path)
    {
        forEachKey(exportObject, path, {u"pins"}, [&](const QString &key, const QJsonValue &value) {
            const QString field = join(path, key);
            const auto pinsObject = object(value, field);
            if (!pinsObject)
                return;
            // The pins given are the whole map: a channel left out has no pin.
            std::map<int, int> pins;
            for (auto it = pinsObject->begin(); it != pinsObject->end(); ++it) {
                const QString at = join(field, it.key());
                const auto channel = channelKey(it.key(), at);
                const auto pin = channel ? whole(it.value(), at, 0, std::numeric_limits<int>::max(), Kind::OutOfRange)
                                         : std::nullopt;
                if (pin)
                    pins[*channel] = *pin;
            }
            m_reading.profile.exportPins = pins;
        });
    }

    void readArm(const QJsonObject &armObject)
    {
        forEachKey(armObject, QStringLiteral("arm"), {u"joints", u"calibration", u"linksMm"},
                   [&](const QString &key, const QJsonValue &value) {
                       const QString field = join(QStringLiteral("arm"), key);
                       const auto inner = object(value, field);
                       if (!inner)
                           return;
                       if (key == u"joints")
                           readJoints(*inner, field);
                       else if (key == u"calibration")
                           readCalibration(*inner, field);
                       else
                           readLinks(*inner, field);
                   });
    }

    void readJoints(const QJsonObject &joints, const QString &path)
    {
        arm::ArmGeometry &geometry = m_reading.profile.arm;
        std::array<std::optional<int>, arm::jointCount> given;
        for (auto it = joints.begin(); it != joints.end(); ++it) {
            const QString field = join(path, it.key());
            const auto role = std::find(std::begin(roleNames), std::end(roleNames), it.key());
            if (role == std::end(roleNames)) {
                note(Kind::UnknownKey, field);
                continue;
            }
            given[size_t(role - std::begin(roleNames))] =
                whole(it.value(), field, 0, ChannelSetup::count - 1, Kind::NoSuchChannel);
        }
        // Roles given take their channels; two on one channel keep the defaults.
        std::array<int, arm::jointCount> channels = geometry.channels;
        for (size_t j = 0; j < given.size(); ++j) {
            if (given[j])
                channels[j] = *given[j];
        }
        for (size_t j = 0; j < channels.size(); ++j) {
            for (size_t k = j + 1; k < channels.size(); ++k) {
                if (channels[j] == channels[k]) {
                    note(Kind::DuplicateJoint, join(path, QString::fromLatin1(roleNames[k])),
                         QStringLiteral("%1 = %2 = %3")
                             .arg(QString::fromLatin1(roleNames[j]), QString::fromLatin1(roleNames[k]))
                             .arg(channels[j]));
                    return;
                }
            }
        }
        geometry.channels = channels;
    }

    void readCalibration(const QJsonObject &calibration, const QString &path)
    {
        for (auto it = calibration.begin(); it != calibration.end(); ++it) {
            const QString field = join(path, it.key());
            const auto channel = channelKey(it.key(), field);
            const auto entry = channel ? object(it.value(), field) : std::nullopt;
            if (!entry)
                continue;
            const auto joint =
                std::find(m_reading.profile.arm.channels.begin(), m_reading.profile.arm.channels.end(), *channel);
            if (joint == m_reading.profile.arm.channels.end()) {
                note(Kind::NoSuchChannel, field, QStringLiteral("no joint"));
                continue;
            }
            arm::Calibration &c =
                m_reading.profile.arm.calibration[size_t(joint - m_reading.profile.arm.channels.begin())];
            forEachKey(*entry, field, {u"zeroPulse", u"usPerDegree"}, [&](const QString &key, const QJsonValue &value) {
                const QString at = join(field, key);
                const auto v = number(value, at);
                if (!v)
                    return;
                if (key == u"zeroPulse") {
                    if (*v < minPulse || *v > maxPulse)
                        note(Kind::OutOfRange, at, QString::number(*v));
                    else
                        c.zeroPulse = *v;
                } else if (!(std::abs(*v) >= leastUsPerDegree && std::abs(*v) <= mostUsPerDegree)) {
                    note(Kind::OutOfRange, at, QString::number(*v));
                } else {
                    c.usPerDegree = *v;
                }
            });
        }
    }

    void readLinks(const QJsonObject &links, const QString &path)
    {
        arm::Links &l = m_reading.profile.arm.links;
        const std::pair<QStringView, double arm::Links::*> fields[] = {
            {u"baseHeight", &arm::Links::baseHeight},
            {u"upperArm", &arm::Links::upperArm},
            {u"forearm", &arm::Links::forearm},
            {u"hand", &arm::Links::hand},
        };
        forEachKey(links, path, {u"baseHeight", u"upperArm", u"forearm", u"hand"},
                   [&](const QString &key, const QJsonValue &value) {
                       const QString field = join(path, key);
                       const auto v = number(value, field);
                       if (!v)
                           return;
                       if (!(*v >= shortestLinkMm && *v <= longestLinkMm)) {
                           note(Kind::OutOfRange, field, QString::number(*v));
                           return;
                       }
                       for (const auto &[name, member] : fields) {
                           if (name == key)
                               l.*member = *v;
                       }
                   });
    }

    Reading &m_reading;
};

// Line and column (from 1) of a byte offset in UTF-8 text, counting characters.
std::pair<int, int> position(const QByteArray &bytes, qsizetype offset)
{
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < std::min(offset, bytes.size()); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == '\n') {
            ++line;
            column = 1;
        } else if ((byte & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

} // namespace

QString roleName(arm::Joint joint)
{
    return QString::fromLatin1(roleNames[size_t(joint)]);
}

Reading parse(const QByteArray &bytes)
{
    Reading reading;
    reading.found = true;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        // The parser's offset is just past the character it stumbled on.
        const auto [line, column] = position(bytes, std::max(0, error.offset - 1));
        reading.problems.append({Kind::NotJson, {}, line, column, error.errorString()});
        return reading;
    }
    if (!document.isObject()) {
        reading.problems.append({Kind::WrongType, {}, 0, 0, {}});
        return reading;
    }
    for (const QString &field : jsonduplicates::find(bytes))
        reading.problems.append({Kind::DuplicateKey, field, 0, 0, {}});
    Reader(reading).readTop(document.object());
    return reading;
}

Reading read(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return {};
    Reading reading;
    reading.found = true;
    QFile file(path);
    if (!info.isFile()) {
        reading.problems.append({Kind::NotAFile, {}, 0, 0, {}});
    } else if (info.size() > sizeLimit) {
        reading.problems.append({Kind::TooLarge, {}, 0, 0, QString::number(info.size())});
    } else if (!file.open(QIODevice::ReadOnly)) {
        reading.problems.append({Kind::Unreadable, {}, 0, 0, file.errorString()});
    } else {
        // Read no more than the limit, whatever the file has grown to since.
        const QByteArray bytes = file.read(sizeLimit + 1);
        if (bytes.size() > sizeLimit)
            reading.problems.append({Kind::TooLarge, {}, 0, 0, QString::number(bytes.size())});
        else if (file.error() != QFileDevice::NoError)
            reading.problems.append({Kind::Unreadable, {}, 0, 0, file.errorString()});
        else
            return parse(bytes);
    }
    return reading;
}

QByteArray toJson(const ArmProfile &profile)
{
    const ChannelSetup::Channel board;
    QJsonObject channels;
    for (int k = 0; k < ChannelSetup::count; ++k) {
        const ChannelSetup::Channel &c = profile.channels.channel(k);
        QJsonObject entry;
        if (!c.name.isEmpty())
            entry.insert(QStringLiteral("name"), c.name);
        if (c.limited) {
            entry.insert(QStringLiteral("min"), c.minimumPulse);
            entry.insert(QStringLiteral("max"), c.maximumPulse);
        }
        if (c.homePulse != board.homePulse)
            entry.insert(QStringLiteral("home"), c.homePulse);
        if (c.easing)
            entry.insert(QStringLiteral("easing"), easing::name(*c.easing));
        if (!entry.isEmpty())
            channels.insert(QString::number(k), entry);
    }
    QJsonObject joints;
    QJsonObject calibration;
    const arm::ArmGeometry standard;
    for (int j = 0; j < arm::jointCount; ++j) {
        const int channel = profile.arm.channels[size_t(j)];
        joints.insert(QString::fromLatin1(roleNames[j]), channel);
        const arm::Calibration &c = profile.arm.calibration[size_t(j)];
        if (!(c == standard.calibration[size_t(j)]))
            calibration.insert(QString::number(channel), QJsonObject{{QStringLiteral("zeroPulse"), c.zeroPulse},
                                                                     {QStringLiteral("usPerDegree"), c.usPerDegree}});
    }
    const arm::Links &l = profile.arm.links;
    QJsonObject armObject{{QStringLiteral("joints"), joints},
                          {QStringLiteral("linksMm"), QJsonObject{{QStringLiteral("baseHeight"), l.baseHeight},
                                                                  {QStringLiteral("upperArm"), l.upperArm},
                                                                  {QStringLiteral("forearm"), l.forearm},
                                                                  {QStringLiteral("hand"), l.hand}}}};
    if (!calibration.isEmpty())
        armObject.insert(QStringLiteral("calibration"), calibration);
    QJsonObject top{{QStringLiteral("version"), version},
                    {QStringLiteral("channels"), channels},
                    {QStringLiteral("arm"), armObject}};
    if (!(profile.motion == ArmProfile::Motion()))
        top.insert(QStringLiteral("motion"),
                   QJsonObject{{QStringLiteral("easing"), easing::name(profile.motion.easing)},
                               {QStringLiteral("stepMs"), profile.motion.stepMs}});
    if (profile.exportPins != defaultExportPins()) {
        QJsonObject pins;
        for (const auto &[channel, pin] : profile.exportPins)
            pins.insert(QString::number(channel), pin);
        top.insert(QStringLiteral("export"), QJsonObject{{QStringLiteral("pins"), pins}});
    }
    return QJsonDocument(top).toJson(QJsonDocument::Indented);
}

std::optional<QString> write(const QString &path, const ArmProfile &profile)
{
    return filereplacement::replace(path, toJson(profile));
}

std::map<int, int> defaultExportPins()
{
    constexpr int unoServoPins[] = {3, 5, 6, 9, 10, 11};
    const ChannelSetup board;
    std::map<int, int> pins;
    for (int column = 0; column < int(std::size(unoServoPins)); ++column)
        pins[board.channelAt(column)] = unoServoPins[column];
    return pins;
}

QString pathFor(const QString &sequencePath)
{
    const QFileInfo sequence(sequencePath);
    const QString name = sequence.fileName().compare(QStringLiteral("cmd.txt"), Qt::CaseInsensitive) == 0
                             ? QStringLiteral("arm.json")
                             : sequence.completeBaseName() + QStringLiteral(".arm.json");
    return QDir::toNativeSeparators(sequence.dir().filePath(name));
}

} // namespace armprofile

easing::Curve ArmProfile::easingOf(int channel) const
{
    return channels.channel(channel).easing.value_or(motion.easing);
}
