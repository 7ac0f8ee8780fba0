// SPDX-License-Identifier: MIT
#include "channelpanel.h"

#include "core/numbers.h"
#include "common/uilook.h"

#include <QCheckBox>
#include <QLabel>
#include "common/onelinebox.h"

#include <QLineEdit>
#include <QScrollBar>

#include <algorithm>

namespace {

// Geometry in twips.
constexpr int columnPitch = 600;
constexpr int firstColumn = 240;
constexpr int boxWidth = 495;
constexpr int boxHeight = 270;
constexpr int sliderWidth = 255;
constexpr int checkSize = 255;

struct RowGeometry {
    int labelTop;
    int sliderHeight;
};
constexpr RowGeometry rows[] = {{240, 2295}, {3360, 2175}};

constexpr int sliderPageStep(int channel)
{
    return channel == 5 ? 12 : 1;
}

// How a value box's text stands to the pulse its slider holds.
enum class BoxText {
    Agrees, // it reads as the slider's value ("1500", "1 500", "1500.4")
    Empty,
    NoNumber,   // "abc": reads as nothing
    OutOfRange, // "3000", "0", "99999": a number the slider cannot take
};

BoxText compare(const QString &text, int pulse)
{
    if (text.isEmpty())
        return BoxText::Empty;
    if (std::none_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return BoxText::NoNumber;
    const auto value = numbers::lenientInt16(text);
    return value && *value == pulse ? BoxText::Agrees : BoxText::OutOfRange;
}

// A box whose text is not what the slider holds (and so what goes to the board).
QPalette disagreeing(QPalette palette)
{
    palette.setColor(QPalette::Base, QColor(255, 214, 214));
    palette.setColor(QPalette::Text, QColor(160, 0, 0));
    return palette;
}

} // namespace

ChannelPanel::ChannelPanel(PoseDraft &pose, const ChannelSetup &setup, QWidget *parent)
    : QGroupBox(ChannelPanel::tr("通道控制"), parent), m_pose(pose), m_setup(setup)
{
    setObjectName(QStringLiteral("Frame2"));
    for (int position = 0; position < channelCount; ++position)
        buildColumn(position);
    connect(&m_pose, &PoseDraft::pulseChanged, this, [this](int channel) { showPulse(channel); });
    connect(&m_pose, &PoseDraft::tickChanged, this,
            [this](int channel, bool ticked) { m_columns[channel].checkBox->setChecked(ticked); });
}

void ChannelPanel::buildColumn(int position)
{
    const int channel = m_setup.channelAt(position);
    const ChannelSetup::Channel &range = m_setup.channel(channel);
    const RowGeometry &row = rows[position / 16];
    const int left = firstColumn + (position % 16) * columnPitch;
    const int boxTop = row.labelTop + 240;
    const int sliderTop = boxTop + boxHeight + 30;
    const int sliderLeft = left + (boxWidth - sliderWidth) / 2;

    auto *label = new QLabel(QString::number(position + 1), this);
    m_captions[channel] = label;
    label->setObjectName(QStringLiteral("Label1_%1").arg(position));
    label->setAlignment(Qt::AlignCenter);
    uilook::place(*label, left, row.labelTop, boxWidth, 225);

    Column &column = m_columns[channel];
    column.valueBox = new QLineEdit(this);
    column.valueBox->setObjectName(QStringLiteral("Text1_%1").arg(channel));
    configureOneLineBox(*column.valueBox);
    column.valueBox->setAlignment(Qt::AlignCenter);
    column.valueBox->setTextMargins(0, 0, 0, 0);
    uilook::place(*column.valueBox, left, boxTop, boxWidth, boxHeight);

    column.slider = new QScrollBar(Qt::Vertical, this);
    column.slider->setObjectName(QStringLiteral("VScroll1_%1").arg(channel));
    column.slider->setRange(range.minimumPulse, range.maximumPulse);
    column.slider->setSingleStep(1);
    column.slider->setPageStep(sliderPageStep(channel));
    column.slider->setValue(m_pose.pulse(channel));
    uilook::place(*column.slider, sliderLeft, sliderTop, sliderWidth, row.sliderHeight);

    column.checkBox = new QCheckBox(this);
    column.checkBox->setObjectName(QStringLiteral("Check1_%1").arg(channel));
    column.checkBox->setChecked(true);
    uilook::place(*column.checkBox, sliderLeft + 30, sliderTop + row.sliderHeight, checkSize, checkSize);

    // Every committed value (drag position, arrow, page, key, program) arrives as
    // valueChanged; a release after a drag sends the final value once more.
    connect(column.slider, &QScrollBar::valueChanged, this, [this, channel] { onSliderChanged(channel); });
    connect(column.slider, &QScrollBar::sliderPressed, this, [this, channel] { m_columns[channel].dragged = false; });
    connect(column.slider, &QScrollBar::sliderMoved, this, [this, channel] { m_columns[channel].dragged = true; });
    connect(column.slider, &QScrollBar::sliderReleased, this, [this, channel] {
        // The final value once more, as the thumb is let go.
        if (std::exchange(m_columns[channel].dragged, false))
            m_pose.move(channel, m_columns[channel].slider->value(), PoseDraft::Origin::Operator);
    });
    connect(column.valueBox, &QLineEdit::textChanged, this, [this, channel] { onValueBoxEdited(channel); });
    connect(column.checkBox, &QCheckBox::toggled, this, [this, channel](bool ticked) {
        m_columns[channel].slider->setEnabled(ticked);
        m_pose.setTicked(channel, ticked);
    });

    // The captions do not follow the board's numbering: every control of the
    // column names the channel it drives, as it goes out after "#".
    for (QWidget *widget : controls(channel))
        widget->setToolTip(m_setup.describe(channel));
}

QList<QWidget *> ChannelPanel::controls(int channel) const
{
    const Column &column = m_columns[channel];
    return {m_captions[channel], column.valueBox, column.slider, column.checkBox};
}

void ChannelPanel::followSetup()
{
    for (int channel = 0; channel < channelCount; ++channel) {
        const ChannelSetup::Channel &range = m_setup.channel(channel);
        m_columns[channel].slider->setRange(range.minimumPulse, range.maximumPulse);
        for (QWidget *widget : controls(channel))
            widget->setToolTip(m_setup.describe(channel));
        showAgreement(channel);
    }
}

void ChannelPanel::showAgreement(int channel)
{
    Column &column = m_columns[channel];
    const QString text = column.valueBox->text();
    const int held = column.slider->value();
    QString why;
    switch (compare(text, held)) {
    case BoxText::Agrees:
        column.valueBox->setPalette(QPalette());
        column.valueBox->setToolTip(m_setup.describe(channel));
        return;
    case BoxText::Empty:
        why = tr("框是空的");
        break;
    case BoxText::NoNumber:
        why = tr("“%1”不是数字").arg(text);
        break;
    case BoxText::OutOfRange:
        why = tr("“%1”不在 %2 到 %3 之间")
                  .arg(text)
                  .arg(m_setup.channel(channel).minimumPulse)
                  .arg(m_setup.channel(channel).maximumPulse);
        break;
    }
    column.valueBox->setPalette(disagreeing(palette()));
    column.valueBox->setToolTip(m_setup.describe(channel) + u'\n'
                                + tr("%1，没有发送；滑块仍在 %2，连接时发送的是 %2").arg(why).arg(held));
}

int ChannelPanel::pulse(int channel) const
{
    return m_columns[channel].slider->value();
}

void ChannelPanel::showValuesAndClearChecks()
{
    for (Column &column : m_columns) {
        column.valueBox->setText(QString::number(column.slider->value()));
        column.checkBox->setChecked(false);
    }
}

void ChannelPanel::reset(int pulse)
{
    for (Column &column : m_columns) {
        column.valueBox->setText(QString::number(column.slider->value()));
        column.slider->setValue(pulse);
    }
}

void ChannelPanel::onSliderChanged(int channel)
{
    const int value = m_columns[channel].slider->value();
    // The pose sends the move first, then has the box show it: the box's
    // text is for the eye, and showing it costs more than the write. A value
    // the pose already holds was shown from it.
    if (value != m_pose.pulse(channel))
        m_pose.move(channel, value, PoseDraft::Origin::Operator);
    else
        showPulse(channel);
}

void ChannelPanel::showPulse(int channel)
{
    Column &column = m_columns[channel];
    column.slider->setValue(m_pose.pulse(channel));
    column.valueBox->setText(QString::number(column.slider->value()));
    showAgreement(channel);
}

void ChannelPanel::onValueBoxEdited(int channel)
{
    const auto value = numbers::lenientInt16(m_columns[channel].valueBox->text());
    if (value && m_setup.accepts(channel, *value))
        m_columns[channel].slider->setValue(*value);
    showAgreement(channel);
}
