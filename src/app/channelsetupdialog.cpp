// SPDX-License-Identifier: MIT
#include "channelsetupdialog.h"

#include "core/currentprofile.h"
#include "profileui.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

enum ChannelColumn { Caption, Board, Name, Minimum, Maximum, Home, Easing };
enum JointColumn { JointChannel, ZeroPulse, UsPerDegree };

const char *const jointNames[arm::jointCount] = {
    QT_TRANSLATE_NOOP("ChannelSetupDialog", "底座"),     QT_TRANSLATE_NOOP("ChannelSetupDialog", "肩部"),
    QT_TRANSLATE_NOOP("ChannelSetupDialog", "肘部"),     QT_TRANSLATE_NOOP("ChannelSetupDialog", "腕部"),
    QT_TRANSLATE_NOOP("ChannelSetupDialog", "腕部旋转"), QT_TRANSLATE_NOOP("ChannelSetupDialog", "夹爪")};

QTableWidget *makeTable(const QString &name, int rows, const QStringList &headers, QWidget *parent)
{
    auto *table = new QTableWidget(rows, int(headers.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headers);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return table;
}

void setCell(QTableWidget &table, int row, int column, const QString &text, bool editable = true)
{
    auto *item = new QTableWidgetItem(text);
    if (!editable)
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    table.setItem(row, column, item);
}

QString cell(const QTableWidget &table, int row, int column)
{
    return table.item(row, column)->text().trimmed();
}

// The shortest text that reads back as the same number: a value nobody
// touched is saved as it was.
QString exactly(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// The curves by name, after `first` when one is given (a channel's "as the
// sequence"); each item's data is the curve's place in easing::allCurves.
QComboBox *makeEasingBox(const QString &first, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    if (!first.isEmpty())
        box->addItem(first, -1);
    for (size_t i = 0; i < easing::allCurves.size(); ++i)
        box->addItem(easing::name(easing::allCurves[i]), int(i));
    return box;
}

void showEasing(QComboBox &box, std::optional<easing::Curve> curve)
{
    const auto place = std::find(easing::allCurves.begin(), easing::allCurves.end(), curve);
    box.setCurrentIndex(box.findData(curve ? int(place - easing::allCurves.begin()) : -1));
}

std::optional<easing::Curve> easingIn(const QComboBox &box)
{
    const int place = box.currentData().toInt();
    return place < 0 ? std::nullopt : std::optional(easing::allCurves[size_t(place)]);
}

std::optional<int> wholeIn(const QString &text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= low && value <= high ? std::optional<int>(value) : std::nullopt;
}

std::optional<double> numberIn(const QString &text, double low, double high)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value >= low && value <= high ? std::optional<double>(value) : std::nullopt;
}

} // namespace

ChannelSetupDialog::ChannelSetupDialog(CurrentProfile &profile, Notifier &notifier, QWidget *parent)
    : QDialog(parent), m_profile(profile), m_notifier(notifier)
{
    setObjectName(QStringLiteral("channelSetup"));
    setWindowTitle(tr("通道设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("脉宽单位 µs，范围 500 到 2500；最小、最大留空表示不限位。"), this));
    m_channels =
        makeTable(QStringLiteral("channelTable"), ChannelSetup::count,
                  {tr("列"), tr("板上通道"), tr("名称"), tr("最小"), tr("最大"), tr("初始"), tr("缓动")}, this);
    m_channels->verticalHeader()->hide();
    for (int row = 0; row < ChannelSetup::count; ++row)
        m_channels->setCellWidget(row, Easing, makeEasingBox(tr("同序列"), m_channels));
    layout->addWidget(m_channels, 3);
    auto *motion = new QHBoxLayout;
    m_sequenceEasing = makeEasingBox({}, this);
    m_sequenceEasing->setObjectName(QStringLiteral("sequenceEasing"));
    m_stepMs = new QSpinBox(this);
    m_stepMs->setObjectName(QStringLiteral("stepMs"));
    m_stepMs->setRange(easing::leastStepMs, easing::mostStepMs);
    m_stepMs->setSuffix(QStringLiteral(" ms"));
    motion->addWidget(new QLabel(tr("序列的缓动"), this));
    motion->addWidget(m_sequenceEasing);
    motion->addSpacing(16);
    motion->addWidget(new QLabel(tr("每步时间"), this));
    motion->addWidget(m_stepMs);
    motion->addStretch();
    layout->addLayout(motion);
    m_joints = makeTable(QStringLiteral("jointTable"), arm::jointCount,
                         {tr("通道"), tr("0° 时的脉宽"), tr("每度 µs（负数：反向）")}, this);
    layout->addWidget(m_joints, 1);
    m_links = makeTable(QStringLiteral("linkTable"), 1, {tr("底座高度"), tr("大臂"), tr("小臂"), tr("手部")}, this);
    m_links->setVerticalHeaderLabels({tr("长度 mm")});
    m_links->setMaximumHeight(m_links->horizontalHeader()->sizeHint().height() * 3);
    layout->addWidget(m_links);
    m_refusal = new QLabel(this);
    m_refusal->setObjectName(QStringLiteral("refusal"));
    m_refusal->setStyleSheet(QStringLiteral("color: #a00000"));
    m_refusal->setWordWrap(true);
    layout->addWidget(m_refusal);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("确定"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("okButton"));
    buttons->addButton(tr("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    fitScreen();
    fill();
    connect(&m_profile, &CurrentProfile::changed, this, &ChannelSetupDialog::followProfile);
}

void ChannelSetupDialog::fitScreen()
{
    // The channel rows scroll: on a small screen (1366 × 768) the dialog keeps
    // its buttons and the arm's tables in sight, leaving room for the frame.
    const QSize wanted(760, 820);
    const QScreen *on = parentWidget() ? parentWidget()->screen() : screen();
    if (!on) {
        resize(wanted);
        return;
    }
    const QSize room = on->availableGeometry().size() * 0.9;
    resize(wanted.boundedTo(room));
}

void ChannelSetupDialog::fill()
{
    m_shown = m_profile.profile();
    const ArmProfile &profile = m_shown;
    for (int row = 0; row < ChannelSetup::count; ++row) {
        const int board = profile.channels.channelAt(row);
        const ChannelSetup::Channel &c = profile.channels.channel(board);
        setCell(*m_channels, row, Caption, QString::number(row + 1), false);
        setCell(*m_channels, row, Board, QStringLiteral("#%1").arg(board), false);
        setCell(*m_channels, row, Name, c.name);
        setCell(*m_channels, row, Minimum, c.limited ? QString::number(c.minimumPulse) : QString());
        setCell(*m_channels, row, Maximum, c.limited ? QString::number(c.maximumPulse) : QString());
        setCell(*m_channels, row, Home, QString::number(c.homePulse));
        showEasing(*qobject_cast<QComboBox *>(m_channels->cellWidget(row, Easing)), c.easing);
    }
    showEasing(*m_sequenceEasing, profile.motion.easing);
    m_stepMs->setValue(profile.motion.stepMs);
    QStringList roles;
    for (int j = 0; j < arm::jointCount; ++j) {
        roles.append(tr(jointNames[j]));
        const arm::Calibration &c = profile.arm.calibration[size_t(j)];
        setCell(*m_joints, j, JointChannel, QString::number(profile.arm.channels[size_t(j)]));
        setCell(*m_joints, j, ZeroPulse, exactly(c.zeroPulse));
        setCell(*m_joints, j, UsPerDegree, exactly(c.usPerDegree));
    }
    m_joints->setVerticalHeaderLabels(roles);
    const arm::Links &l = profile.arm.links;
    const double lengths[] = {l.baseHeight, l.upperArm, l.forearm, l.hand};
    for (int i = 0; i < 4; ++i)
        setCell(*m_links, 0, i, exactly(lengths[i]));
}

void ChannelSetupDialog::followProfile()
{
    if (m_profile.profile() == m_shown)
        return;
    Refusal ignored;
    if (edited(m_shown, ignored) == m_shown)
        fill();
}

QString ChannelSetupDialog::refusal() const
{
    return m_refusal->text();
}

std::optional<ArmProfile> ChannelSetupDialog::edited(ArmProfile profile, Refusal &refusal) const
{
    const auto refuse = [&refusal](QTableWidget *table, int row, int column, const QString &why) {
        refusal = {table, row, column, why};
        return std::nullopt;
    };
    const QString pulseRange = tr("应是 %1 到 %2 之间的整数").arg(armprofile::minPulse).arg(armprofile::maxPulse);
    for (int row = 0; row < ChannelSetup::count; ++row) {
        const int board = profile.channels.channelAt(row);
        ChannelSetup::Channel &c = profile.channels.channel(board);
        const QString where = tr("第 %1 列（板上通道 #%2）").arg(row + 1).arg(board);
        c.name = cell(*m_channels, row, Name);
        const QString low = cell(*m_channels, row, Minimum);
        const QString high = cell(*m_channels, row, Maximum);
        c.limited = !low.isEmpty() || !high.isEmpty();
        const auto minimum =
            low.isEmpty() ? armprofile::minPulse : wholeIn(low, armprofile::minPulse, armprofile::maxPulse);
        if (!minimum)
            return refuse(m_channels, row, Minimum, tr("%1的最小值“%2”%3。").arg(where, low, pulseRange));
        const auto maximum =
            high.isEmpty() ? armprofile::maxPulse : wholeIn(high, armprofile::minPulse, armprofile::maxPulse);
        if (!maximum)
            return refuse(m_channels, row, Maximum, tr("%1的最大值“%2”%3。").arg(where, high, pulseRange));
        if (*minimum > *maximum)
            return refuse(m_channels, row, Maximum, tr("%1的最大值小于最小值。").arg(where));
        const QString homeText = cell(*m_channels, row, Home);
        const auto home = wholeIn(homeText, *minimum, *maximum);
        if (!home)
            return refuse(
                m_channels, row, Home,
                tr("%1的初始值“%2”应是 %3 到 %4 之间的整数。").arg(where, homeText).arg(*minimum).arg(*maximum));
        c.minimumPulse = *minimum;
        c.maximumPulse = *maximum;
        c.homePulse = *home;
        c.easing = easingIn(*qobject_cast<QComboBox *>(m_channels->cellWidget(row, Easing)));
    }
    profile.motion = {*easingIn(*m_sequenceEasing), m_stepMs->value()};
    for (int j = 0; j < arm::jointCount; ++j) {
        const QString joint = tr(jointNames[j]);
        const QString channelText = cell(*m_joints, j, JointChannel);
        const auto channel = wholeIn(channelText, 0, ChannelSetup::count - 1);
        if (!channel)
            return refuse(m_joints, j, JointChannel,
                          tr("%1的通道“%2”应是 0 到 31 之间的整数。").arg(joint, channelText));
        for (int k = 0; k < j; ++k) {
            if (profile.arm.channels[size_t(k)] == *channel)
                return refuse(m_joints, j, JointChannel,
                              tr("%1和%2用了同一个通道 %3。").arg(tr(jointNames[k]), joint).arg(*channel));
        }
        profile.arm.channels[size_t(j)] = *channel;
        const QString zeroText = cell(*m_joints, j, ZeroPulse);
        const auto zero = numberIn(zeroText, armprofile::minPulse, armprofile::maxPulse);
        if (!zero)
            return refuse(m_joints, j, ZeroPulse,
                          tr("%1的 0° 脉宽“%2”%3。").arg(joint, zeroText, tr("应在 500 到 2500 之间")));
        const QString slopeText = cell(*m_joints, j, UsPerDegree);
        const auto slope = numberIn(slopeText, -armprofile::mostUsPerDegree, armprofile::mostUsPerDegree);
        if (!slope || std::abs(*slope) < armprofile::leastUsPerDegree)
            return refuse(m_joints, j, UsPerDegree,
                          tr("%1的每度 µs“%2”应在 %3 到 %4 之间（负数时取其绝对值）。")
                              .arg(joint, slopeText)
                              .arg(armprofile::leastUsPerDegree)
                              .arg(armprofile::mostUsPerDegree));
        profile.arm.calibration[size_t(j)] = {*zero, *slope};
    }
    double arm::Links::*const lengths[] = {&arm::Links::baseHeight, &arm::Links::upperArm, &arm::Links::forearm,
                                           &arm::Links::hand};
    for (int i = 0; i < 4; ++i) {
        const QString text = cell(*m_links, 0, i);
        const auto length = numberIn(text, armprofile::shortestLinkMm, armprofile::longestLinkMm);
        if (!length)
            return refuse(m_links, 0, i,
                          tr("长度“%1”应在 %2 到 %3 mm 之间。")
                              .arg(text)
                              .arg(armprofile::shortestLinkMm)
                              .arg(armprofile::longestLinkMm));
        profile.arm.links.*lengths[i] = *length;
    }
    return profile;
}

void ChannelSetupDialog::accept()
{
    Refusal refused;
    const std::optional<ArmProfile> profile = edited(m_profile.profile(), refused);
    if (!profile) {
        refused.table->setCurrentCell(refused.row, refused.column);
        refused.table->setFocus();
        m_refusal->setText(refused.why);
        return;
    }
    m_refusal->clear();
    if (m_profile.profile() != m_shown && !profileui::confirmReplacingNewer(m_notifier, this, m_profile.path()))
        return;
    if (m_profile.replacingAsks() && !profileui::confirmReplacing(m_notifier, this, m_profile.path()))
        return;
    if (const std::optional<QString> failure = m_profile.save(*profile)) {
        m_notifier.show(this, {Message::Icon::Critical, tr("通道设置"),
                               tr("无法保存 %1：%2\n原来的文件没有改动。").arg(m_profile.path(), *failure)});
        return;
    }
    QDialog::accept();
}
