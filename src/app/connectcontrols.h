// SPDX-License-Identifier: MIT
#pragma once

#include "link/serialport.h"

#include <QObject>

class Notifier;
class QComboBox;
class QPushButton;
class QWidget;

// Connect and Disconnect on one button.
//
// The port object is the one source of the connection state: the program is
// connected exactly while the port it opened through this button is open. The
// button's caption (the action it offers: "连接" or "断开"), the port box and the
// Settings button (enabled only while disconnected) are set from that state
// here and nowhere else, and every change is announced with stateChanged().
//
//   Disconnected --click, port opens--> Connected
//   Disconnected --click, open fails--> Disconnected (connectFailed; "端口已被占用" for a busy port)
//   Connected --click--> Disconnected
//   Connected --device gone--> Disconnected (deviceLost, then one warning)
class ConnectControls final : public QObject
{
    Q_OBJECT

public:
    ConnectControls(SerialPort &port, Notifier &notifier, QPushButton &connectButton, QComboBox &portBox,
                    QPushButton &settingsButton, QWidget *messageParent);

    bool portIsOpen() const;

    // The Connect button's click: connects when disconnected, disconnects when connected.
    void toggle();
    // Disconnect, as the button does it; the window's end uses it too.
    void disconnectPort();

Q_SIGNALS:
    void stateChanged(bool connected);
    // A disconnect is about to close the port: what writes to it stops first.
    void disconnecting();
    // A Connect that left the program disconnected, with the port's reason.
    void connectFailed(const SerialResult &failure);
    // The open port has gone. Raised before the operator is told, so that
    // whatever is writing can stop first.
    void deviceLost();

private:
    void connectPort();
    void showState();
    void onLost();

    SerialPort &m_port;
    Notifier &m_notifier;
    QPushButton &m_connectButton;
    QComboBox &m_portBox;
    QPushButton &m_settingsButton;
    QWidget *m_messageParent;
};
