// SPDX-License-Identifier: MIT
#include "connectcontrols.h"

#include "common/notifier.h"
#include "core/portnumber.h"
#include "link/serialport.h"

#include <QComboBox>
#include <QPushButton>

ConnectControls::ConnectControls(SerialPort &port, Notifier &notifier, QPushButton &connectButton, QComboBox &portBox,
                                 QPushButton &settingsButton, QWidget *messageParent)
    : m_port(port),
      m_notifier(notifier),
      m_connectButton(connectButton),
      m_portBox(portBox),
      m_settingsButton(settingsButton),
      m_messageParent(messageParent)
{
    connect(&m_connectButton, &QPushButton::clicked, this, &ConnectControls::toggle);
    connect(&m_port, &SerialPort::lost, this, &ConnectControls::onLost);
    showState();
}

bool ConnectControls::portIsOpen() const
{
    return m_port.portOpen();
}

void ConnectControls::toggle()
{
    if (portIsOpen())
        disconnectPort();
    else
        connectPort();
}

void ConnectControls::connectPort()
{
    SerialResult result = SerialResult::failure(SerialResult::InvalidPortNumber);
    if (const auto number = portNumberFromText(m_portBox.currentText()))
        result = m_port.setCommPort(*number);
    if (result.ok())
        result = m_port.openPort();
    if (!result.ok()) {
        // Of the failures, only a port held elsewhere gets a message box; the
        // others show as the caption staying put (and in connectFailed).
        Q_EMIT connectFailed(result);
        if (result.code() == SerialResult::PortInUse)
            m_notifier.show(m_messageParent, messages::portInUse());
        return;
    }
    m_port.resetTraffic();
    showState();
}

void ConnectControls::disconnectPort()
{
    Q_EMIT disconnecting();
    m_port.closeAfterDraining();
    showState();
}

void ConnectControls::showState()
{
    const bool connected = portIsOpen();
    m_connectButton.setText(connected ? tr("断开") : tr("连接"));
    m_portBox.setEnabled(!connected);
    m_settingsButton.setEnabled(!connected);
    Q_EMIT stateChanged(connected);
}

void ConnectControls::onLost()
{
    // The port has closed itself already.
    Q_EMIT deviceLost();
    showState();
    m_notifier.show(m_messageParent, {Message::Icon::Warning, tr("错误"),
                                      tr("串口连接已中断（设备已拔出或不再响应），程序已回到未连接状态。")});
}
