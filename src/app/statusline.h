#pragma once

#include <QStatusBar>

class Playback;
class QLabel;
class SerialPort;
class SerialResult;

// The status line below the window: the connection with the settings in force
// (and why the last Connect failed, which the window itself keeps silent
// about), playback, and what has reached the device since Connect. Display only.
class StatusLine final : public QStatusBar
{
    Q_OBJECT

public:
    StatusLine(const SerialPort &port, const Playback &playback, QWidget *parent = nullptr);

    void showConnection(bool connected);
    void showConnectFailure(const SerialResult &failure);
    void showPlayback();

    // The texts, for the labels and for tests.
    QString connectionText() const;
    QString playbackText() const;
    QString trafficText() const;

private:
    void showTraffic();

    const SerialPort &m_port;
    const Playback &m_playback;
    QLabel *m_connection;
    QLabel *m_playbackLabel;
    QLabel *m_traffic;
    QString m_failure;
};
