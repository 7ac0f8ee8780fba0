// SPDX-License-Identifier: MIT
#include "channelsetupdialog.h"

#include "profileui.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

enum ChannelColumn { Caption, Board, Name, Minimum, Maximum, Home };
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
    m_channels = makeTable(QStringLiteral("channelTable"), ChannelSetup::count,
                           {tr("列"), tr("板上通道"), tr("名称"), tr("最小"), tr("最大"), tr("初始")}, this);
    m_channels->verticalHeader()->hide();
    layout->addWidget(m_channels, 3);
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
    resize(640, 820);
    fill();
}

void ChannelSetupDialog::fill()
{
    const ArmProfile &profile = m_profile.profile();
    for (int row = 0; row < ChannelSetup::count; ++row) {
        const int board = profile.channels.channelAt(row);
        const ChannelSetup::Channel &c = profile.channels.channel(board);
        setCell(*m_channels, row, Caption, QString::number(row + 1), false);
        setCell(*m_channels, row, Board, QStringLiteral("#%1").arg(board), false);
        setCell(*m_channels, row, Name, c.name);
        setCell(*m_channels, row, Minimum, c.limited ? QString::number(c.minimumPulse) : QString());
        setCell(*m_channels, row, Maximum, c.limited ? QString::number(c.maximumPulse) : QString());
        setCell(*m_channels, row, Home, QString::number(c.homePulse));
    }
    QStringList roles;
    for (int j = 0; j < arm::jointCount; ++j) {
        roles.append(tr(jointNames[j]));
        const arm::Calibration &c = profile.arm.calibration[size_t(j)];
        setCell(*m_joints, j, JointChannel, QString::number(profile.arm.channels[size_t(j)]));
        setCell(*m_joints, j, ZeroPulse, QString::number(c.zeroPulse));
        setCell(*m_joints, j, UsPerDegree, QString::number(c.usPerDegree, 'g', 6));
    }
    m_joints->setVerticalHeaderLabels(roles);
    const arm::Links &l = profile.arm.links;
    const double lengths[] = {l.baseHeight, l.upperArm, l.forearm, l.hand};
    for (int i = 0; i < 4; ++i)
        setCell(*m_links, 0, i, QString::number(lengths[i]));
}

bool ChannelSetupDialog::refuse(QTableWidget *table, int row, int column, const QString &why)
{
    table->setCurrentCell(row, column);
    table->setFocus();
    m_refusal->setText(why);
    return false;
}

QString ChannelSetupDialog::refusal() const
{
    return m_refusal->text();
}

void ChannelSetupDialog::accept()
{
    ArmProfile profile = m_profile.profile();
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
            return void(refuse(m_channels, row, Minimum, tr("%1的最小值“%2”%3。").arg(where, low, pulseRange)));
        const auto maximum =
            high.isEmpty() ? armprofile::maxPulse : wholeIn(high, armprofile::minPulse, armprofile::maxPulse);
        if (!maximum)
            return void(refuse(m_channels, row, Maximum, tr("%1的最大值“%2”%3。").arg(where, high, pulseRange)));
        if (*minimum > *maximum)
            return void(refuse(m_channels, row, Maximum, tr("%1的最大值小于最小值。").arg(where)));
        const QString homeText = cell(*m_channels, row, Home);
        const auto home = wholeIn(homeText, *minimum, *maximum);
        if (!home)
            return void(refuse(
                m_channels, row, Home,
                tr("%1的初始值“%2”应是 %3 到 %4 之间的整数。").arg(where, homeText).arg(*minimum).arg(*maximum)));
        c.minimumPulse = *minimum;
        c.maximumPulse = *maximum;
        c.homePulse = *home;
    }
    for (int j = 0; j < arm::jointCount; ++j) {
        const QString joint = tr(jointNames[j]);
        const QString channelText = cell(*m_joints, j, JointChannel);
        const auto channel = wholeIn(channelText, 0, ChannelSetup::count - 1);
        if (!channel)
            return void(
                refuse(m_joints, j, JointChannel, tr("%1的通道“%2”应是 0 到 31 之间的整数。").arg(joint, channelText)));
        for (int k = 0; k < j; ++k) {
            if (profile.arm.channels[size_t(k)] == *channel)
                return void(refuse(m_joints, j, JointChannel,
                                   tr("%1和%2用了同一个通道 %3。").arg(tr(jointNames[k]), joint).arg(*channel)));
        }
        profile.arm.channels[size_t(j)] = *channel;
        const QString zeroText = cell(*m_joints, j, ZeroPulse);
        const auto zero = numberIn(zeroText, armprofile::minPulse, armprofile::maxPulse);
        if (!zero)
            return void(refuse(m_joints, j, ZeroPulse,
                               tr("%1的 0° 脉宽“%2”%3。").arg(joint, zeroText, tr("应在 500 到 2500 之间"))));
        const QString slopeText = cell(*m_joints, j, UsPerDegree);
        const auto slope = numberIn(slopeText, -100, 100);
        if (!slope || *slope == 0)
            return void(refuse(m_joints, j, UsPerDegree,
                               tr("%1的每度 µs“%2”应在 -100 到 100 之间且不为 0。").arg(joint, slopeText)));
        profile.arm.calibration[size_t(j)] = {*zero, *slope};
    }
    double arm::Links::*const lengths[] = {&arm::Links::baseHeight, &arm::Links::upperArm, &arm::Links::forearm,
                                           &arm::Links::hand};
    for (int i = 0; i < 4; ++i) {
        const QString text = cell(*m_links, 0, i);
        const auto length = numberIn(text, 0, 10000);
        if (!length || *length == 0)
            return void(refuse(m_links, 0, i, tr("长度“%1”应大于 0、不超过 10000 mm。").arg(text)));
        profile.arm.links.*lengths[i] = *length;
    }
    m_refusal->clear();
    if (m_profile.replacingAsks() && !profileui::confirmReplacing(m_notifier, this, m_profile.path()))
        return;
    if (const std::optional<QString> failure = m_profile.save(profile)) {
        m_notifier.show(this, {Message::Icon::Critical, tr("通道设置"),
                               tr("无法保存 %1：%2\n原来的文件没有改动。").arg(m_profile.path(), *failure)});
        return;
    }
    QDialog::accept();
}
