// SPDX-License-Identifier: MIT
#include "padsettings.h"

#include "shared/armprofile.h"

namespace pad {

namespace {

constexpr const char *axisNames[axisCount] = {"leftx", "lefty", "rightx", "righty", "lefttrigger", "righttrigger"};
constexpr const char *buttonNames[buttonCount] = {
    "a",    "b",      "x",      "y",      "back", "start", "leftstick", "rightstick", "leftshoulder", "rightshoulder",
    "dpup", "dpdown", "dpleft", "dpright"};
constexpr const char *tipAxisNames[tipAxisCount] = {"x", "y", "z", "pitch"};

QString key(const QString &name)
{
    return QStringLiteral("gamepad/") + name;
}

// A binding is stored as the name of what it moves, with a leading '-' when
// reversed; an empty text binds nothing.
QString bindingText(const QString &name, bool reversed)
{
    return reversed && !name.isEmpty() ? u'-' + name : name;
}

struct Bound {
    QString name;
    bool reversed = false;
};

std::optional<Bound> boundIn(const QVariant &stored)
{
    if (!stored.isValid() || !stored.canConvert<QString>())
        return std::nullopt;
    QString text = stored.toString();
    const bool reversed = text.startsWith(u'-');
    if (reversed)
        text.remove(0, 1);
    return Bound{text, reversed};
}

template <typename Enum, size_t count>
std::optional<Enum> named(const QString &name, const char *const (&names)[count])
{
    for (size_t i = 0; i < count; ++i) {
        if (name == QLatin1String(names[i]))
            return Enum(i);
    }
    return std::nullopt;
}

std::optional<arm::Joint> jointNamed(const QString &name)
{
    for (int j = 0; j < arm::jointCount; ++j) {
        if (armprofile::roleName(arm::Joint(j)) == name)
            return arm::Joint(j);
    }
    return std::nullopt;
}

int boundedInt(const QVariant &stored, int least, int most, int fallback)
{
    bool read = false;
    const int number = stored.toInt(&read);
    return read && number >= least && number <= most ? number : fallback;
}

} // namespace

Settings defaults()
{
    Settings settings;
    using arm::Joint;
    settings.axes[size_t(Axis::LeftX)] = {Joint::Base, true, TipAxis::Y, true};
    settings.axes[size_t(Axis::LeftY)] = {Joint::Shoulder, true, TipAxis::X, true};
    settings.axes[size_t(Axis::RightX)] = {Joint::Wrist, false, TipAxis::Pitch, false};
    settings.axes[size_t(Axis::RightY)] = {Joint::Elbow, true, TipAxis::Z, true};
    settings.axes[size_t(Axis::LeftTrigger)] = {Joint::Gripper, false, std::nullopt, false};
    settings.axes[size_t(Axis::RightTrigger)] = {Joint::Gripper, true, std::nullopt, false};
    return settings;
}

QString axisName(Axis axis)
{
    return QString::fromLatin1(axisNames[size_t(axis)]);
}

QString buttonName(Button button)
{
    return QString::fromLatin1(buttonNames[size_t(button)]);
}

Settings read(const std::function<QVariant(const QString &)> &value)
{
    Settings settings = defaults();
    for (int a = 0; a < axisCount; ++a) {
        const QString axis = axisName(Axis(a));
        AxisBinding &binding = settings.axes[size_t(a)];
        if (const auto joint = boundIn(value(key(axis + QStringLiteral("/joint"))))) {
            const auto named = jointNamed(joint->name);
            if (named || joint->name.isEmpty()) {
                binding.joint = named;
                binding.jointReversed = named && joint->reversed;
            }
        }
        if (const auto tip = boundIn(value(key(axis + QStringLiteral("/tip"))))) {
            const auto named = pad::named<TipAxis>(tip->name, tipAxisNames);
            if (named || tip->name.isEmpty()) {
                binding.tip = named;
                binding.tipReversed = named && tip->reversed;
            }
        }
    }
    Settings buttons = settings;
    for (auto [name, button] : {std::pair{"record", &Settings::record}, std::pair{"stop", &Settings::stop},
                                std::pair{"switchMode", &Settings::switchMode}}) {
        if (const auto named = pad::named<Button>(value(key(QLatin1String(name))).toString(), buttonNames))
            buttons.*button = *named;
    }
    if (buttons.buttonsDistinct())
        settings = buttons;
    settings.deadZonePercent =
        boundedInt(value(key(QStringLiteral("deadZone"))), 0, mostDeadZonePercent, settings.deadZonePercent);
    settings.jointRate =
        boundedInt(value(key(QStringLiteral("jointRate"))), leastJointRate, mostJointRate, settings.jointRate);
    settings.tipRate = boundedInt(value(key(QStringLiteral("tipRate"))), leastTipRate, mostTipRate, settings.tipRate);
    settings.pitchRate =
        boundedInt(value(key(QStringLiteral("pitchRate"))), leastPitchRate, mostPitchRate, settings.pitchRate);
    return settings;
}

void write(const Settings &settings, const std::function<void(const QString &, const QVariant &)> &setValue)
{
    for (int a = 0; a < axisCount; ++a) {
        const QString axis = axisName(Axis(a));
        const AxisBinding &binding = settings.axes[size_t(a)];
        const QString joint = binding.joint ? armprofile::roleName(*binding.joint) : QString();
        const QString tip = binding.tip ? QString::fromLatin1(tipAxisNames[size_t(*binding.tip)]) : QString();
        setValue(key(axis + QStringLiteral("/joint")), bindingText(joint, binding.jointReversed));
        setValue(key(axis + QStringLiteral("/tip")), bindingText(tip, binding.tipReversed));
    }
    setValue(key(QStringLiteral("record")), buttonName(settings.record));
    setValue(key(QStringLiteral("stop")), buttonName(settings.stop));
    setValue(key(QStringLiteral("switchMode")), buttonName(settings.switchMode));
    setValue(key(QStringLiteral("deadZone")), settings.deadZonePercent);
    setValue(key(QStringLiteral("jointRate")), settings.jointRate);
    setValue(key(QStringLiteral("tipRate")), settings.tipRate);
    setValue(key(QStringLiteral("pitchRate")), settings.pitchRate);
}

} // namespace pad
