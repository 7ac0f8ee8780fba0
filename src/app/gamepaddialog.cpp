// SPDX-License-Identifier: MIT
#include "gamepaddialog.h"

#include "core/programsettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const char *const axisCaptions[pad::axisCount] = {
    QT_TRANSLATE_NOOP("GamepadDialog", "左摇杆左右"), QT_TRANSLATE_NOOP("GamepadDialog", "左摇杆上下"),
    QT_TRANSLATE_NOOP("GamepadDialog", "右摇杆左右"), QT_TRANSLATE_NOOP("GamepadDialog", "右摇杆上下"),
    QT_TRANSLATE_NOOP("GamepadDialog", "左扳机"),     QT_TRANSLATE_NOOP("GamepadDialog", "右扳机")};

const char *const jointNames[arm::jointCount] = {
    QT_TRANSLATE_NOOP("GamepadDialog", "底座"),     QT_TRANSLATE_NOOP("GamepadDialog", "肩部"),
    QT_TRANSLATE_NOOP("GamepadDialog", "肘部"),     QT_TRANSLATE_NOOP("GamepadDialog", "腕部"),
    QT_TRANSLATE_NOOP("GamepadDialog", "腕部旋转"), QT_TRANSLATE_NOOP("GamepadDialog", "夹爪")};

const char *const tipAxisNames[pad::tipAxisCount] = {
    QT_TRANSLATE_NOOP("GamepadDialog", "前后 (X)"), QT_TRANSLATE_NOOP("GamepadDialog", "左右 (Y)"),
    QT_TRANSLATE_NOOP("GamepadDialog", "上下 (Z)"), QT_TRANSLATE_NOOP("GamepadDialog", "俯仰")};

const char *const buttonNames[pad::buttonCount] = {
    QT_TRANSLATE_NOOP("GamepadDialog", "A 键"),       QT_TRANSLATE_NOOP("GamepadDialog", "B 键"),
    QT_TRANSLATE_NOOP("GamepadDialog", "X 键"),       QT_TRANSLATE_NOOP("GamepadDialog", "Y 键"),
    QT_TRANSLATE_NOOP("GamepadDialog", "返回键"),     QT_TRANSLATE_NOOP("GamepadDialog", "开始键"),
    QT_TRANSLATE_NOOP("GamepadDialog", "左摇杆按下"), QT_TRANSLATE_NOOP("GamepadDialog", "右摇杆按下"),
    QT_TRANSLATE_NOOP("GamepadDialog", "左肩键"),     QT_TRANSLATE_NOOP("GamepadDialog", "右肩键"),
    QT_TRANSLATE_NOOP("GamepadDialog", "十字键上"),   QT_TRANSLATE_NOOP("GamepadDialog", "十字键下"),
    QT_TRANSLATE_NOOP("GamepadDialog", "十字键左"),   QT_TRANSLATE_NOOP("GamepadDialog", "十字键右")};

// A list of `names`, after "none" when there is one; each item's data is its
// number in `names`, -1 for none.
template <size_t count>
QComboBox *choice(const QString &objectName, const char *const (&names)[count], const QString &none, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(objectName);
    if (!none.isEmpty())
        box->addItem(none, -1);
    for (size_t i = 0; i < count; ++i)
        box->addItem(GamepadDialog::tr(names[i]), int(i));
    return box;
}

template <typename Enum>
std::optional<Enum> chosen(const QComboBox *box)
{
    const int index = box->currentData().toInt();
    return index < 0 ? std::nullopt : std::optional(Enum(index));
}

template <typename Enum>
void choose(QComboBox *box, std::optional<Enum> value)
{
    box->setCurrentIndex(box->findData(value ? int(*value) : -1));
}

QSpinBox *number(const QString &objectName, int least, int most, const QString &suffix, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(least, most);
    box->setSuffix(suffix);
    return box;
}

} // namespace

GamepadDialog::GamepadDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("gamepadDialog"));
    setWindowTitle(tr("游戏手柄"));

    auto *axes = new QGroupBox(tr("摇杆与扳机"), this);
    auto *grid = new QGridLayout(axes);
    grid->addWidget(new QLabel(tr("关节"), axes), 0, 1);
    grid->addWidget(new QLabel(tr("切换到末端后"), axes), 0, 3);
    for (int a = 0; a < pad::axisCount; ++a) {
        const QString name = pad::axisName(pad::Axis(a));
        AxisRow &row = m_axes[size_t(a)];
        row.joint = choice(QStringLiteral("joint_") + name, jointNames, tr("无"), axes);
        row.jointReversed = new QCheckBox(tr("反向"), axes);
        row.jointReversed->setObjectName(QStringLiteral("jointReversed_") + name);
        row.tip = choice(QStringLiteral("tip_") + name, tipAxisNames, tr("同关节"), axes);
        row.tipReversed = new QCheckBox(tr("反向"), axes);
        row.tipReversed->setObjectName(QStringLiteral("tipReversed_") + name);
        // A direction only matters for something moved.
        connect(
            row.joint, &QComboBox::currentIndexChanged, row.jointReversed,
            [box = row.joint, reversed = row.jointReversed] { reversed->setEnabled(chosen<int>(box).has_value()); });
        connect(row.tip, &QComboBox::currentIndexChanged, row.tipReversed,
                [box = row.tip, reversed = row.tipReversed] { reversed->setEnabled(chosen<int>(box).has_value()); });
        grid->addWidget(new QLabel(tr(axisCaptions[a]), axes), a + 1, 0);
        grid->addWidget(row.joint, a + 1, 1);
        grid->addWidget(row.jointReversed, a + 1, 2);
        grid->addWidget(row.tip, a + 1, 3);
        grid->addWidget(row.tipReversed, a + 1, 4);
    }

    auto *buttons = new QGroupBox(tr("按键"), this);
    auto *buttonForm = new QFormLayout(buttons);
    m_record = choice(QStringLiteral("recordButton"), buttonNames, {}, buttons);
    m_stop = choice(QStringLiteral("stopButton"), buttonNames, {}, buttons);
    m_switchMode = choice(QStringLiteral("switchModeButton"), buttonNames, {}, buttons);
    buttonForm->addRow(tr("记录一行姿态："), m_record);
    buttonForm->addRow(tr("急停："), m_stop);
    buttonForm->addRow(tr("在关节与末端之间切换："), m_switchMode);

    auto *rates = new QGroupBox(tr("灵敏度"), this);
    auto *rateForm = new QFormLayout(rates);
    m_deadZone = number(QStringLiteral("deadZone"), 0, pad::mostDeadZonePercent, QStringLiteral(" %"), rates);
    m_jointRate = number(QStringLiteral("jointRate"), pad::leastJointRate, pad::mostJointRate, tr(" µs/秒"), rates);
    m_tipRate = number(QStringLiteral("tipRate"), pad::leastTipRate, pad::mostTipRate, tr(" 毫米/秒"), rates);
    m_pitchRate = number(QStringLiteral("pitchRate"), pad::leastPitchRate, pad::mostPitchRate, tr(" 度/秒"), rates);
    rateForm->addRow(tr("死区（满偏的百分比）："), m_deadZone);
    rateForm->addRow(tr("满偏时关节的速度："), m_jointRate);
    rateForm->addRow(tr("满偏时末端的速度："), m_tipRate);
    rateForm->addRow(tr("满偏时俯仰的速度："), m_pitchRate);

    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_refusal->setWordWrap(true);
    m_refusal->hide();

    auto *box =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::RestoreDefaults, this);
    connect(box, &QDialogButtonBox::accepted, this, &GamepadDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &GamepadDialog::reject);
    connect(box->button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this,
            [this] { fill(pad::defaults()); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(axes);
    layout->addWidget(buttons);
    layout->addWidget(rates);
    layout->addWidget(m_refusal);
    layout->addWidget(box);

    fill(stored());
}

pad::Settings GamepadDialog::stored()
{
    return pad::read(programsettings::value);
}

pad::Settings GamepadDialog::settings() const
{
    pad::Settings settings;
    for (int a = 0; a < pad::axisCount; ++a) {
        const AxisRow &row = m_axes[size_t(a)];
        pad::AxisBinding &binding = settings.axes[size_t(a)];
        binding.joint = chosen<arm::Joint>(row.joint);
        binding.jointReversed = binding.joint && row.jointReversed->isChecked();
        binding.tip = chosen<pad::TipAxis>(row.tip);
        binding.tipReversed = binding.tip && row.tipReversed->isChecked();
    }
    settings.record = *chosen<pad::Button>(m_record);
    settings.stop = *chosen<pad::Button>(m_stop);
    settings.switchMode = *chosen<pad::Button>(m_switchMode);
    settings.deadZonePercent = m_deadZone->value();
    settings.jointRate = m_jointRate->value();
    settings.tipRate = m_tipRate->value();
    settings.pitchRate = m_pitchRate->value();
    return settings;
}

void GamepadDialog::accept()
{
    const pad::Settings chosenSettings = settings();
    if (!chosenSettings.buttonsDistinct()) {
        m_refusal->setText(tr("记录、急停和切换要各用一个不同的按键。"));
        m_refusal->show();
        return;
    }
    m_refusal->hide();
    pad::write(chosenSettings, programsettings::setValue);
    Q_EMIT settingsChanged(chosenSettings);
    QDialog::accept();
}

void GamepadDialog::fill(const pad::Settings &settings)
{
    for (int a = 0; a < pad::axisCount; ++a) {
        const AxisRow &row = m_axes[size_t(a)];
        const pad::AxisBinding &binding = settings.axes[size_t(a)];
        choose(row.joint, binding.joint);
        row.jointReversed->setChecked(binding.jointReversed);
        row.jointReversed->setEnabled(binding.joint.has_value());
        choose(row.tip, binding.tip);
        row.tipReversed->setChecked(binding.tipReversed);
        row.tipReversed->setEnabled(binding.tip.has_value());
    }
    choose(m_record, std::optional(settings.record));
    choose(m_stop, std::optional(settings.stop));
    choose(m_switchMode, std::optional(settings.switchMode));
    m_deadZone->setValue(settings.deadZonePercent);
    m_jointRate->setValue(settings.jointRate);
    m_tipRate->setValue(settings.tipRate);
    m_pitchRate->setValue(settings.pitchRate);
}
