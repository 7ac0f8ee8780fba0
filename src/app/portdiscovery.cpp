// SPDX-License-Identifier: MIT
#include "portdiscovery.h"

#include "core/portnames.h"
#include "shared/virtualboards.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QStyle>
#include <QStyleOptionFrame>

PortEnumerator systemPortEnumerator()
{
    return [] {
        QStringList names;
        const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
        for (const QSerialPortInfo &port : ports) {
            const QString name = portnames::displayName(port.portName());
            if (!name.isEmpty())
                names.append(name);
        }
        // Running virtual boards come last, so the port box shows one first.
        const QList<int> boards = virtualboards::runningPorts();
        for (const int port : boards)
            names.append(virtualboards::displayName(port));
        return names;
    };
}

void ListSerialPorts(QComboBox &target, const PortEnumerator &enumerate)
{
    const QStringList names = enumerate();
    for (const QString &name : names)
        target.insertItem(0, name);
}

QString PortNameEdit::shownText() const
{
    if (hasFocus())
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRoom().width());
}

QRect PortNameEdit::textRoom() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    // QLineEdit keeps 2 px beside and 1 px above and below its text.
    return style()
        ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
        .marginsRemoved(textMargins())
        .adjusted(2, 1, -2, -1);
}

void PortNameEdit::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::Text));
    painter.drawText(textRoom(), Qt::AlignLeft | Qt::AlignVCenter, shown);
}

PortComboBox::PortComboBox(PortEnumerator enumerate, QWidget *parent)
    : QComboBox(parent), m_enumerate(std::move(enumerate))
{
    setLineEdit(new PortNameEdit(this));
    // A typed name is used as it is; it does not join the list.
    setInsertPolicy(QComboBox::NoInsert);
    // The box is narrower than a long name ("COM1000 (虚拟舵机板)"): the pointer
    // held over it shows the whole text.
    connect(this, &QComboBox::currentTextChanged, this, &QWidget::setToolTip);
}

void PortComboBox::refresh()
{
    clear();
    ListSerialPorts(*this, m_enumerate);
    setEditText(count() > 0 ? itemText(0) : QString());
}

void PortComboBox::showPopup()
{
    refresh();
    // The list opens as wide as its longest entry, whatever the box's own width.
    QAbstractItemView &list = *view();
    list.setMinimumWidth(list.sizeHintForColumn(0) + 2 * list.frameWidth()
                         + list.verticalScrollBar()->sizeHint().width());
    QComboBox::showPopup();
}
