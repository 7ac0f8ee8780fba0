// SPDX-License-Identifier: MIT
#include "portsettingsdialog.h"

#include "common/notifier.h"
#include "common/uilook.h"
#include "core/settingsstring.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace {

struct Row {
    const char *caption;
    QStringList items;
    const char16_t *text;
};

// Port, bit rate, data bits, stop bits, parity, flow control. Parity and flow
// control are shown for reference only: the line always runs without either.
const Row rows[] = {
    {QT_TRANSLATE_NOOP("PortSettingsDialog", "端口"), {}, u""},
    {QT_TRANSLATE_NOOP("PortSettingsDialog", "比特率"),
     {QStringLiteral("2400"), QStringLiteral("9600"), QStringLiteral("38400"), QStringLiteral("115200")},
     u"115200"},
    {QT_TRANSLATE_NOOP("PortSettingsDialog", "数据位"),
     {QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("8")},
     u"8"},
    {QT_TRANSLATE_NOOP("PortSettingsDialog", "停止位"), {QStringLiteral("1"), QStringLiteral("2")}, u"1"},
    {QT_TRANSLATE_NOOP("PortSettingsDialog", "奇偶校验"),
     {QStringLiteral("None"), QStringLiteral("Odd"), QStringLiteral("Even"), QStringLiteral("Mark"),
      QStringLiteral("Space")},
     u"None"},
    {QT_TRANSLATE_NOOP("PortSettingsDialog", "流控制"),
     {QStringLiteral("Hardware"), QStringLiteral("Software"), QStringLiteral("None"), QStringLiteral("Custom")},
     u"None"},
};

enum RowIndex { PortRow, BaudRow, DataRow, StopRow };

// The command formats in the order of the list, with an example of each.
const struct {
    CommandFormat format;
    const char *name;
    const char *example;
} formats[] = {
    {CommandFormat::Compact, QT_TRANSLATE_NOOP("PortSettingsDialog", "紧凑"), "#5P1500S300"},
    {CommandFormat::Spaced, QT_TRANSLATE_NOOP("PortSettingsDialog", "带空格"), "#5 P1500 S300"},
};

} // namespace

PortSettingsDialog::PortSettingsDialog(const QString &currentSettings, CommandFormat currentFormat,
                                       const QString &portBoxText, const PortEnumerator &enumerate, Apply apply,
                                       Notifier &notifier, QWidget *parent)
    : QDialog(parent), m_apply(std::move(apply)), m_notifier(notifier)
{
    setObjectName(QStringLiteral("Dialog"));
    setWindowTitle(tr("端口设置"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(uilook::captionFont());
    setFixedSize(uilook::px(4440), uilook::px(4275));

    auto *frame = new QGroupBox(tr("设置"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    uilook::place(*frame, 120, 120, 4200, 3000);

    for (int i = 0; i < 6; ++i) {
        const Row &row = rows[i];
        auto *label = new QLabel(tr(row.caption), frame);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        uilook::place(*label, 240, 390 + i * 435, 1200, 300);

        auto *combo = new QComboBox(frame);
        combo->setObjectName(QStringLiteral("Combo%1").arg(i + 1));
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->addItems(row.items);
        combo->setEditText(QString::fromUtf16(row.text));
        uilook::place(*combo, 1560, 360 + i * 435, 2400, 345);
        m_combos[i] = combo;
    }

    // Below the frame: not a setting of the line but of what goes on it.
    auto *formatLabel = new QLabel(tr("命令格式"), this);
    formatLabel->setObjectName(QStringLiteral("commandFormatLabel"));
    uilook::place(*formatLabel, 360, 3270, 1200, 300);
    m_format = new QComboBox(this);
    m_format->setObjectName(QStringLiteral("commandFormat"));
    for (const auto &entry : formats) {
        m_format->addItem(tr(entry.name), QVariant::fromValue(int(entry.format)));
        m_format->setItemData(m_format->count() - 1, tr("发送的指令形如 %1").arg(QLatin1String(entry.example)),
                              Qt::ToolTipRole);
        if (entry.format == currentFormat)
            m_format->setCurrentIndex(m_format->count() - 1);
    }
    formatLabel->setBuddy(m_format);
    uilook::place(*m_format, 1680, 3240, 2400, 345);

    auto *ok = new QPushButton(tr("确定"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    uilook::place(*ok, 600, 3735, 1215, 375);
    auto *cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    cancel->setAutoDefault(false);
    uilook::place(*cancel, 2640, 3735, 1215, 375);

    setTabOrder(ok, cancel);
    setTabOrder(cancel, m_combos[0]);
    for (int i = 1; i < 6; ++i)
        setTabOrder(m_combos[i - 1], m_combos[i]);
    setTabOrder(m_combos[5], m_format);
    ok->setFocus();

    connect(ok, &QPushButton::clicked, this, &PortSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &PortSettingsDialog::reject);

    ShowCurrentSettings(currentSettings);
    ListSerialPorts(*m_combos[PortRow], enumerate);
    m_combos[PortRow]->setEditText(portBoxText);
}

void PortSettingsDialog::ShowCurrentSettings(const QString &settings)
{
    const settingsstring::Fields fields = settingsstring::split(settings);
    m_combos[BaudRow]->setEditText(fields.baudRate);
    m_combos[DataRow]->setEditText(fields.dataBits);
    m_combos[StopRow]->setEditText(fields.stopBits);
}

void PortSettingsDialog::showOpenPort(const std::optional<QString> &openPort)
{
    QComboBox &portRow = *m_combos[PortRow];
    if (openPort)
        portRow.setEditText(*openPort);
    portRow.setEnabled(!openPort);
}

void PortSettingsDialog::accept()
{
    QComboBox &portRow = *m_combos[PortRow];
    const PortChoice choice{
        portRow.isEnabled() ? std::optional(portRow.currentText()) : std::nullopt,
        settingsstring::build(m_combos[BaudRow]->currentText(), m_combos[DataRow]->currentText(),
                              m_combos[StopRow]->currentText()),
        CommandFormat(m_format->currentData().toInt()),
    };
    if (const std::optional<QString> refused = m_apply(choice)) {
        m_notifier.show(
            this, {Message::Icon::Warning, tr("端口设置"), tr("端口设置未被采用，原设置仍然有效。\n") + *refused});
        return;
    }
    QDialog::accept();
}
