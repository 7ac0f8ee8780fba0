// SPDX-License-Identifier: MIT
#include "notifier.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QMessageBox::Icon boxIcon(Message::Icon icon)
{
    switch (icon) {
    case Message::Icon::Critical:
        return QMessageBox::Critical;
    case Message::Icon::Warning:
        return QMessageBox::Warning;
    case Message::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QString boxTitle(const Message &message)
{
    return message.title.isEmpty() ? QGuiApplication::applicationDisplayName() : message.title;
}

} // namespace

void MessageBoxNotifier::show(QWidget *parent, const Message &message)
{
    QMessageBox box(boxIcon(message.icon), boxTitle(message), message.text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

bool MessageBoxNotifier::confirm(QWidget *parent, const Message &message, const QString &accept, const QString &reject)
{
    QMessageBox box(boxIcon(message.icon), boxTitle(message), message.text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    QPushButton *acceptButton = box.addButton(accept, QMessageBox::AcceptRole);
    QPushButton *rejectButton = box.addButton(reject, QMessageBox::RejectRole);
    QPushButton *defaultButton = message.acceptIsDefault ? acceptButton : rejectButton;
    box.setDefaultButton(defaultButton);
    // Enter presses the button with the focus: the default one, whatever the style's order.
    defaultButton->setFocus();
    box.setEscapeButton(rejectButton);
    box.exec();
    return box.clickedButton() == acceptButton;
}

namespace messages {

Message portInUse()
{
    return {Message::Icon::Critical, QCoreApplication::translate("Notifier", "错误"),
            QCoreApplication::translate("Notifier", "端口已被占用")};
}

Message portNotOpen()
{
    return {Message::Icon::Critical, QCoreApplication::translate("Notifier", "错误"),
            QCoreApplication::translate("Notifier", "端口未打开")};
}

} // namespace messages
