#pragma once

#include <QObject>

class Notifier;
class QComboBox;
class QPushButton;
class QWidget;
class SerialPort;

// Connect and Disconnect on one button. The connection state is held in three
// places that change together: the button's caption (the action it offers),
// portIsOpen(), and the port box and Settings button (enabled only while
// disconnected).
class Connection final : public QObject
{
    Q_OBJECT

public:
    Connection(SerialPort &port, Notifier &notifier, QPushButton &connectButton, QComboBox &portBox,
               QPushButton &settingsButton, QWidget *messageParent);

    bool portIsOpen() const { return m_portIsOpen; }

    // The Connect button's click: connects or disconnects depending on its caption.
    void toggle();

private:
    void connectPort();
    void disconnectPort();
    void showDisconnected();
    void onLost();

    SerialPort &m_port;
    Notifier &m_notifier;
    QPushButton &m_connectButton;
    QComboBox &m_portBox;
    QPushButton &m_settingsButton;
    QWidget *m_messageParent;
    bool m_portIsOpen = false;
};
