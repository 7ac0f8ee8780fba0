#include "connection.h"

#include "common/notifier.h"
#include "portnumber.h"
#include "serialport.h"

#include <QComboBox>
#include <QPushButton>

namespace {

const QString connectCaption = QStringLiteral("连接");
const QString disconnectCaption = QStringLiteral("断开");

} // namespace

Connection::Connection(SerialPort &port, Notifier &notifier, QPushButton &connectButton,
                       QComboBox &portBox, QPushButton &settingsButton, QWidget *messageParent)
    : QObject(&connectButton),
      m_port(port),
      m_notifier(notifier),
      m_connectButton(connectButton),
      m_portBox(portBox),
      m_settingsButton(settingsButton),
      m_messageParent(messageParent)
{
    connect(&m_connectButton, &QPushButton::clicked, this, &Connection::toggle);
    connect(&m_port, &SerialPort::lost, this, &Connection::onLost);
}

void Connection::toggle()
{
    if (m_connectButton.text() == connectCaption) {
        // Of the failures, only a port held elsewhere is worth a word: the others
        // (no such port, a name without a number) show as the caption staying put.
        connectPort();
    } else {
        disconnectPort();
    }
}

void Connection::connectPort()
{
    const auto number = portNumberFromText(m_portBox.currentText());
    if (!number || !m_port.setCommPort(*number).ok())
        return;
    if (const SerialResult opened = m_port.setPortOpen(true); !opened.ok()) {
        if (opened.code() == SerialResult::PortInUse)
            m_notifier.show(m_messageParent, messages::portInUse());
        return;
    }
    m_connectButton.setText(disconnectCaption);
    m_portBox.setEnabled(false);
    m_settingsButton.setEnabled(false);
    m_portIsOpen = true;
}

void Connection::disconnectPort()
{
    if (m_port.setPortOpen(false).ok())
        showDisconnected();
}

void Connection::showDisconnected()
{
    m_connectButton.setText(connectCaption);
    m_settingsButton.setEnabled(true);
    m_portBox.setEnabled(true);
    m_portIsOpen = false;
}

void Connection::onLost()
{
    if (!m_portIsOpen)
        return;
    showDisconnected();
    m_notifier.show(m_messageParent,
                    {Message::Icon::Warning, QStringLiteral("错误"),
                     QStringLiteral("串口连接已中断（设备已拔出或不再响应），程序已回到未连接状态。")});
}
