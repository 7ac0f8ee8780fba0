// SPDX-License-Identifier: MIT
#include "sketchexport.h"

#include "core/sequencefile.h"
#include "core/sequenceline.h"
#include "shared/armgeometry.h"
#include "shared/commandlimits.h"
#include "shared/wirecommand.h"

#include "sequence_format.h"
#include "servo_pulses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <set>

namespace sketchexport {

static_assert(maxServos == servopulses::maxServos);

namespace {

namespace format = sequenceformat;

// Playback's first line goes out this long after Run, and this is the period
// until a line sets one.
constexpr int firstPeriodMs = 100;
constexpr int fastestSpeed = 0xFFFF; // far past the top rate: the same as any faster

// What the player takes besides the table, measured with Debian's avr-gcc 5.4
// and Arduino core 1.8.7 (6,272 bytes of code and 258 + 19 bytes of RAM a servo
// at most, for twelve servos with every curve in use), and a margin; the
// firmware tests hold the sum above what avr-gcc makes, and close to it. RAM
// is what the variables take, as the Arduino IDE counts it; the stack has the rest.
constexpr qint64 playerFlash = 6400;
constexpr qint64 playerRam = 300;
constexpr qint64 ramPerServo = 20;
// Each servo's pin, home and curve, in the table.
constexpr qint64 bytesPerServo = 4;

// servo-uno's pins for the arm's joints, in arm::Joint order.

const QString sketchResources = QStringLiteral(":/sketch/");

// The played lines of a sequence: each with its break, as playback reads them,
// up to the empty end.
QStringList playedLines(const QString &sequence)
{
    QString text = sequence;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(u'\n', u'\r');
    QStringList lines = text.split(u'\r');
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        lines[i] += u'\r';
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// One line as playback leaves it: the command the board carries out (none when
// playback sends nothing), and what follows it.
struct Played {
    std::optional<wirecommand::Command> command;
    int waitMs = 0;
    bool stops = false;
};

QList<Played> readLines(const QString &sequence, const ChannelSetup &setup)
{
    QList<Played> played;
    for (const QString &line : playedLines(sequence)) {
        const sequenceline::Playback read = sequenceline::readForPlayback(line);
        Played step;
        if (read.interval && read.command) {
            step.command = wirecommand::read(QStringView(commandlimits::clamp(*read.command, setup).text));
            if (*read.interval == 0)
                step.stops = true;
            else if (*read.interval > 0)
                step.waitMs = *read.interval;
        }
        played.append(step);
    }
    return played;
}

QList<int> channelsIn(const QList<Played> &played)
{
    std::set<int> channels;
    for (const Played &step : played) {
        if (step.command) {
            for (const motion::Target &target : step.command->targets())
                channels.insert(target.channel);
        }
    }
    return {channels.begin(), channels.end()};
}

void appendWord(QByteArray &bytes, quint16 word)
{
    bytes.append(char(word & 0xFF));
    bytes.append(char(word >> 8));
}

// The speed the line's groups share, where naming it once saves bytes; 0: none.
int lineSpeed(const Step &step)
{
    std::map<int, int> groupsAt;
    for (const Group &group : step.groups)
        ++groupsAt[group.speed];
    int best = 0;
    int bestSaving = 0;
    for (const auto &[speed, groups] : groupsAt) {
        // The marker costs 4 bytes; each group at that speed saves its own 2,
        // and each group without a limit then needs 2.
        const int saving = speed == 0 ? 0 : 2 * groups - 4 - 2 * groupsAt[0];
        if (saving > bestSaving) {
            best = speed;
            bestSaving = saving;
        }
    }
    return best;
}

QByteArray encode(const Step &step)
{
    const int shared = lineSpeed(step);
    QByteArray entries;
    int count = 0;
    if (step.timeMs) {
        appendWord(entries, quint16(format::timeSlot << format::slotShift));
        appendWord(entries, quint16(quint32(*step.timeMs) & 0xFFFF));
        appendWord(entries, quint16(quint32(*step.timeMs) >> 16));
        ++count;
    }
    if (shared != 0) {
        appendWord(entries, quint16(format::speedSlot << format::slotShift));
        appendWord(entries, quint16(shared));
        ++count;
    }
    for (const Group &group : step.groups) {
        if (group.replaced) {
            appendWord(entries, quint16(format::replacedSlot << format::slotShift));
            ++count;
        }
        const bool own = group.speed != shared;
        appendWord(entries, quint16(group.slot << format::slotShift | (own ? format::ownSpeedBit : 0)
                                    | (group.pulse - format::minPulse)));
        if (own)
            appendWord(entries, quint16(group.speed));
        ++count;
    }
    QByteArray bytes(1, char(std::min(count, 0xFF)));
    appendWord(bytes, quint16(step.waitMs | (step.stops ? format::stopBit : 0)));
    return bytes + entries;
}

bool tooManyEntries(const Step &step)
{
    qsizetype entries = step.groups.size() + (step.timeMs ? 1 : 0) + (lineSpeed(step) != 0 ? 1 : 0);
    for (const Group &group : step.groups)
        entries += group.replaced ? 1 : 0;
    return entries > format::maxEntries;
}

QList<easing::Curve> curvesInUse(const Plan &plan)
{
    QList<easing::Curve> used;
    for (const easing::Curve curve : plan.curves) {
        if (curve != easing::Curve::Linear && !used.contains(curve))
            used.append(curve);
    }
    return used;
}

Step stepFor(const Played &played, const QMap<int, int> &slotOf)
{
    Step step;
    step.waitMs = played.waitMs;
    step.stops = played.stops;
    if (!played.command)
        return step;
    const QList<motion::Target> targets = played.command->targets();
    for (qsizetype i = 0; i < targets.size(); ++i) {
        const motion::Target &target = targets[i];
        const bool replaced = std::any_of(targets.begin() + i + 1, targets.end(),
                                          [&](const motion::Target &later) { return later.channel == target.channel; });
        // Without a T a replaced group changes nothing.
        if (replaced && !played.command->timeMs)
            continue;
        step.groups.append(
            {slotOf.value(target.channel), target.pulse, std::min(target.speed.value_or(0), fastestSpeed), replaced});
    }
    if (!step.groups.isEmpty())
        step.timeMs = played.command->timeMs;
    return step;
}

Step glideInto(const Step &first, int glideMs)
{
    std::map<int, int> pose;
    for (const Group &group : first.groups) {
        if (!group.replaced)
            pose[group.slot] = group.pulse;
    }
    Step glide;
    for (const auto &[slot, pulse] : pose)
        glide.groups.append({slot, pulse, 0, false});
    glide.timeMs = glideMs;
    return glide;
}

std::optional<Refusal> checkPins(const QList<int> &channels, const Pins &pins)
{
    QList<int> without;
    for (const int channel : channels) {
        if (pins.find(channel) == pins.end())
            without.append(channel);
    }
    if (!without.isEmpty())
        return Refusal{.kind = Refusal::Kind::ChannelWithoutPin, .channels = without};
    std::map<int, QList<int>> channelsOn;
    for (const int channel : channels) {
        const int pin = pins.at(channel);
        if (pin < firstPin || pin > lastPin)
            return Refusal{.kind = Refusal::Kind::NoSuchPin, .channels = {channel}, .pin = pin};
        channelsOn[pin].append(channel);
    }
    for (const auto &[pin, on] : channelsOn) {
        if (on.size() > 1)
            return Refusal{.kind = Refusal::Kind::PinTwice, .channels = on, .pin = pin};
    }
    return std::nullopt;
}

QByteArray cArray(const QByteArray &bytes)
{
    QByteArray text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        text += i % 16 == 0 ? "\n    " : " ";
        text += "0x" + QByteArray::number(quint8(bytes[i]), 16).rightJustified(2, '0') + ',';
    }
    return text + '\n';
}

template <typename List>
QByteArray cList(const List &values)
{
    QByteArrayList items;
    for (const auto value : values)
        items.append(QByteArray::number(value));
    return items.join(", ");
}

QByteArray dataHeader(const Plan &plan, bool looping, int glideMs)
{
    QByteArray lines;
    for (const Step &step : plan.steps)
        lines += encode(step);
    const QList<easing::Curve> used = curvesInUse(plan);
    QList<int> curveRows;
    for (const easing::Curve curve : plan.curves)
        curveRows.append(curve == easing::Curve::Linear ? 255 : int(used.indexOf(curve)));
    QByteArray curveTable;
    for (const easing::Curve curve : used) {
        QList<int> points;
        for (int i = 0; i < format::curvePoints; ++i)
            points.append(
                int(std::lround(easing::progress(curve, double(i) / (format::curvePoints - 1)) * format::wholeWay)));
        curveTable += "    {" + cList(points) + "}, // " + easing::name(curve).toLatin1() + '\n';
    }
    if (used.isEmpty())
        curveTable = "    {0}, // no servo is eased\n";
    QByteArrayList wiring;
    for (qsizetype slot = 0; slot < plan.channels.size(); ++slot)
        wiring.append("channel " + QByteArray::number(plan.channels[slot]) + " on pin "
                      + QByteArray::number(plan.pins[slot]));

    QByteArray text =
        "// The sequence for the Uno, made by servo-console --export-sketch: " + QByteArray::number(plan.steps.size())
        + " lines, played " + (looping ? "again and again" : "once") + ".\n// " + wiring.join(", ") + ".\n";
    text += "#pragma once\n\n#include \"sequence_format.h\"\n\n#include <avr/pgmspace.h>\n#include <stdint.h>\n\n";
    text += "namespace sequencedata {\n\n";
    text += "const uint8_t servoCount = " + QByteArray::number(plan.channels.size()) + ";\n";
    text += "const uint8_t pins[servoCount] = {" + cList(plan.pins) + "};\n";
    text += "const int16_t homes[servoCount] = {" + cList(plan.homes) + "};\n";
    text += "// Each servo's row of curveTable; linear: none.\nconst uint8_t linear = 255;\n";
    text += "const uint8_t curves[servoCount] = {" + cList(curveRows) + "};\n";
    text += "const uint16_t curveTable[][sequenceformat::curvePoints] PROGMEM = {\n" + curveTable + "};\n";
    text += "const uint32_t glideMs = " + QByteArray::number(glideMs) + ";\n";
    text += "const uint16_t firstPeriodMs = " + QByteArray::number(firstPeriodMs) + ";\n";
    text += QByteArray("const bool looping = ") + (looping ? "true" : "false") + ";\n";
    text += "const uint16_t lineCount = " + QByteArray::number(plan.steps.size()) + ";\n";
    text += "const uint8_t glide[] PROGMEM = {" + cArray(encode(plan.glide)) + "};\n";
    text += "const uint8_t lines[] PROGMEM = {" + cArray(lines) + "};\n\n";
    text += "} // namespace sequencedata\n";
    return text;
}

QByteArray resource(const QString &path)
{
    QFile file(sketchResources + path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("sketchexport: the player's %s is missing from this build", qPrintable(path));
    return file.readAll();
}

} // namespace

QString pinName(int pin)
{
    return pin >= firstAnalogPin ? QStringLiteral("A%1").arg(pin - firstAnalogPin) : QString::number(pin);
}

QString describe(const Refusal &refusal)
{
    QStringList channels;
    for (const int channel : refusal.channels)
        channels.append(QString::number(channel));
    const QString channelList = channels.join(QStringLiteral(", "));
    switch (refusal.kind) {
    case Refusal::Kind::NothingToPlay:
        return QCoreApplication::translate("sketchexport", "序列中没有让舵机运动的行。");
    case Refusal::Kind::TooManyChannels:
        return QCoreApplication::translate("sketchexport", "序列用到 %1 个通道（%2），Arduino Uno 最多驱动 %3 个舵机。")
            .arg(refusal.channels.size())
            .arg(channelList)
            .arg(maxServos);
    case Refusal::Kind::ChannelWithoutPin:
        return QCoreApplication::translate("sketchexport", "通道 %1 没有分到引脚。").arg(channelList);
    case Refusal::Kind::NoSuchPin:
        return QCoreApplication::translate("sketchexport",
                                           "Arduino Uno 没有给通道 %1 的引脚 %2（可用：2–13 和 A0–A5）。")
            .arg(channelList)
            .arg(refusal.pin);
    case Refusal::Kind::PinTwice:
        return QCoreApplication::translate("sketchexport", "引脚 %1 同时分给了通道 %2。")
            .arg(pinName(refusal.pin), channelList);
    case Refusal::Kind::LineTooLong:
        return QCoreApplication::translate("sketchexport", "第 %1 行的通道组太多，导出的程序放不下。")
            .arg(refusal.line + 1);
    case Refusal::Kind::TooLarge:
        return QCoreApplication::translate("sketchexport", "导出的程序需要 %1 字节程序存储和 %2 字节内存，Arduino Uno "
                                                           "只有 %3 和 %4 字节：多出 %5 字节。序列的前 %6 行放得下。")
            .arg(refusal.size.flash)
            .arg(refusal.size.ram)
            .arg(flashBytes)
            .arg(ramBytes)
            .arg(std::max(refusal.size.flash - flashBytes, refusal.size.ram - ramBytes))
            .arg(refusal.linesThatFit);
    }
    return {};
}

QString describe(const Sketch &sketch, const QString &folder)
{
    const Plan &plan = sketch.plan;
    QStringList pins;
    for (qsizetype slot = 0; slot < plan.channels.size(); ++slot)
        pins.append(QCoreApplication::translate("sketchexport", "通道 %1 → 引脚 %2")
                        .arg(plan.channels[slot])
                        .arg(pinName(plan.pins[slot])));
    return QCoreApplication::translate("sketchexport", "已导出到 %1：%2 行，%3 个舵机（%4）。程序存储最多 %5 / %6 "
                                                       "字节，内存最多 %7 / %8 字节。")
        .arg(folder)
        .arg(plan.steps.size())
        .arg(plan.channels.size())
        .arg(pins.join(QCoreApplication::translate("sketchexport", "，", "between two channels' pins")))
        .arg(sketch.size.flash)
        .arg(flashBytes)
        .arg(sketch.size.ram)
        .arg(ramBytes);
}

qint64 lineBytes(const Step &step)
{
    return encode(step).size();
}

qint64 tableBytes(const Plan &plan)
{
    qint64 bytes = lineBytes(plan.glide) + bytesPerServo * plan.channels.size()
                   + qint64(curvesInUse(plan).size()) * format::curvePoints * 2;
    for (const Step &step : plan.steps)
        bytes += lineBytes(step);
    return bytes;
}

Size sizeOf(const Plan &plan)
{
    return {playerFlash + tableBytes(plan), playerRam + ramPerServo * plan.channels.size()};
}

QList<int> channelsMoved(const QString &sequence, const ChannelSetup &setup)
{
    return channelsIn(readLines(sequence, setup));
}

std::variant<Plan, Refusal> plan(const Input &input)
{
    const QList<Played> played = readLines(input.sequence, input.setup);
    const QList<int> channels = channelsIn(played);
    if (channels.isEmpty())
        return Refusal{.kind = Refusal::Kind::NothingToPlay};
    if (channels.size() > maxServos)
        return Refusal{.kind = Refusal::Kind::TooManyChannels, .channels = channels};
    if (const std::optional<Refusal> refused = checkPins(channels, input.pins))
        return *refused;

    Plan plan;
    QMap<int, int> slotOf;
    for (const int channel : channels) {
        slotOf.insert(channel, int(plan.channels.size()));
        plan.channels.append(channel);
        plan.pins.append(input.pins.at(channel));
        plan.homes.append(input.setup.channel(channel).homePulse);
        plan.curves.append(input.curves[size_t(channel)]);
    }
    for (qsizetype line = 0; line < played.size(); ++line) {
        plan.steps.append(stepFor(played[line], slotOf));
        if (tooManyEntries(plan.steps.last()))
            return Refusal{.kind = Refusal::Kind::LineTooLong, .line = line};
    }
    plan.glide = glideInto(plan.steps.first(), input.glideMs);

    const Size size = sizeOf(plan);
    if (size.flash > flashBytes || size.ram > ramBytes) {
        Refusal refusal{.kind = Refusal::Kind::TooLarge, .size = size};
        qint64 left = flashBytes - playerFlash - tableBytes(plan);
        for (const Step &step : std::as_const(plan.steps))
            left += lineBytes(step);
        for (; refusal.linesThatFit < plan.steps.size(); ++refusal.linesThatFit) {
            left -= lineBytes(plan.steps[refusal.linesThatFit]);
            if (left < 0)
                break;
        }
        return refusal;
    }
    return plan;
}

std::variant<Sketch, Refusal> make(const Input &input, const QString &name)
{
    std::variant<Plan, Refusal> planned = plan(input);
    if (const Refusal *refused = std::get_if<Refusal>(&planned))
        return *refused;
    Sketch sketch;
    sketch.plan = std::get<Plan>(std::move(planned));
    sketch.size = sizeOf(sketch.plan);
    sketch.files.insert(name + QStringLiteral(".ino"), resource(QStringLiteral("sequence-player/sequence-player.ino")));
    for (const char *file : {"sequence-player/sequence_format.h", "servo-uno/servo_motion.h",
                             "servo-uno/servo_pulses.h", "servo-uno/servo_pulses.cpp"}) {
        const QString path = QString::fromLatin1(file);
        sketch.files.insert(path.section(u'/', -1), resource(path));
    }
    sketch.files.insert(QStringLiteral("sequence_data.h"), dataHeader(sketch.plan, input.looping, input.glideMs));
    return sketch;
}

std::optional<QString> write(const QString &folder, const Sketch &sketch)
{
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot make %1").arg(folder);
    for (auto it = sketch.files.cbegin(); it != sketch.files.cend(); ++it) {
        QSaveFile file(QDir(folder).filePath(it.key()));
        if (!file.open(QIODevice::WriteOnly) || file.write(it.value()) != it.value().size() || !file.commit())
            return file.errorString();
    }
    return std::nullopt;
}

Pins pinsFor(const Pins &given, const QList<int> &channels)
{
    Pins pins;
    std::set<int> taken;
    for (const int channel : channels) {
        if (const auto pin = given.find(channel); pin != given.end()) {
            pins[channel] = pin->second;
            taken.insert(pin->second);
        }
    }
    int next = firstPin;
    for (const int channel : channels) {
        if (pins.count(channel))
            continue;
        while (next <= lastPin && taken.count(next))
            ++next;
        if (next > lastPin)
            break;
        pins[channel] = next;
        taken.insert(next);
    }
    return pins;
}

Input inputFor(const ArmProfile &profile, const QString &sequence, bool looping, int glideMs)
{
    Input input;
    input.sequence = sequence;
    input.setup = profile.channels;
    for (int channel = 0; channel < motion::channelCount; ++channel)
        input.curves[size_t(channel)] = profile.easingOf(channel);
    input.pins = pinsFor(profile.exportPins, channelsMoved(sequence, input.setup));
    input.looping = looping;
    input.glideMs = glideMs;
    return input;
}

Outcome exportFiles(const QString &folder, const QString &sequencePath, const QString &profilePath, bool looping)
{
    QString error;
    SequenceFile file(sequencePath);
    const std::optional<QString> text = QFileInfo::exists(sequencePath) ? file.load(&error) : std::nullopt;
    if (!text)
        return FileProblem{.kind = FileProblem::Kind::SequenceUnreadable, .path = sequencePath, .detail = error};
    const armprofile::Reading profile = armprofile::read(profilePath);
    if (!profile.problems.isEmpty())
        return FileProblem{
            .kind = FileProblem::Kind::ProfileUnreadable, .path = profilePath, .problems = profile.problems};

    const Input input = inputFor(profile.profile, *text, looping);
    std::variant<Sketch, Refusal> made = make(input, QFileInfo(QDir(folder).absolutePath()).fileName());
    if (const Refusal *refused = std::get_if<Refusal>(&made))
        return *refused;
    const Sketch &sketch = std::get<Sketch>(made);
    if (const std::optional<QString> failed = write(folder, sketch))
        return FileProblem{.kind = FileProblem::Kind::FolderUnwritable, .path = folder, .detail = *failed};
    return sketch;
}

} // namespace sketchexport
