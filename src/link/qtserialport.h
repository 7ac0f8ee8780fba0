// SPDX-License-Identifier: MIT
#pragma once

#include "serialport.h"

#include <QSerialPort>

// The serial port object on a real device, through QSerialPort.
//
// Back-pressure. The board takes bytes at the line's rate (11,520 bytes/s at
// 115200 baud, 8N1), and commands can come faster: a 32-channel sequence line
// every 20 ms is 19,300 bytes/s, a fast slider drag more. What the driver
// cannot take yet waits in the port's queue and goes out in order as the line
// makes room; a full driver buffer (EAGAIN) is a slow line, not a lost device.
//
// The queue is bounded in wire time (SerialPort::queueLimit: 23,040 bytes at
// 115200 8N1, 512 at 2400 8N1). That is enough to ride out a burst or a board
// that stops reading for a moment, and short enough that a move still means
// something when it reaches the servo. A command that would go past the bound
// is refused whole (QueueFull), never cut, so what is sent keeps its order,
// whether or not anything is queued. notice() tells the operator once when
// refusing begins; the episode ends when the queue is back to half the bound.
// What reaches the device is counted as the driver takes it (bytesWritten).
//
// Closing gives the queue up to 3 seconds to drain (a full queue, and a second
// for the driver's own buffer to make room); the window waits meanwhile. What
// is still queued then is discarded, and notice() says how much.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(QObject *parent = nullptr);

    bool portOpen() const override;
    SerialResult setPortOpen(bool open) override;

    // Bytes accepted but not yet handed to the driver.
    qint64 queuedBytes() const override { return m_port.bytesToWrite(); }

protected:
    SerialResult applySettings(const QString &settings) override;
    SerialResult writeBytes(const QByteArray &bytes) override;

private:
    void onError(QSerialPort::SerialPortError error);
    void onBytesWritten(qint64 bytes);
    // Closes after the bounded drain; returns the bytes discarded.
    qint64 drainAndClose();

    QSerialPort m_port;
    bool m_refusing = false;
};
