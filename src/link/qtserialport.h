// SPDX-License-Identifier: MIT
#pragma once

#include "serialport.h"

#include "linepacer.h"

#include <QSerialPort>
#include <QTimer>

// The serial port object on a real device, through QSerialPort.
//
// Back-pressure. The board takes bytes at the line's rate (11,520 bytes/s at
// 115200 baud, 8N1), and commands can come faster: a 32-channel sequence line
// every 20 ms is 19,300 bytes/s, a slider dragged fast more. The device is
// handed a command only while what it holds is under deviceSeconds of the line
// (115 bytes at 115200 8N1), by the larger of two counts: what the driver says
// it holds (TIOCOUTQ, where it keeps one, plus QSerialPort's own buffer) and
// what the line's pace says can still be there (LinePacer), which also covers
// the adapter's buffers that no driver counts. Everything else waits in the
// program's queue, where live moves are merged and a stop drops it; a timer
// hands the next command over as soon as the line has made room. A full driver
// buffer (EAGAIN) is a slow line, not a lost device.
//
// The program's queue is bounded in wire time (SerialPort::queueLimit: 23,040
// bytes at 115200 8N1, 512 at 2400 8N1). An ordered command that would go past
// the bound is refused whole (QueueFull), never cut. notice() tells the
// operator once when refusing begins; the episode ends when the queue is back
// to half the bound. A live move is never refused: one that does not fit waits
// outside the bound as its channel's latest position (MoveQueue). What reaches
// the device is counted as the driver takes it (bytesWritten).
//
// The channels' limits (SerialPort::setFilter) and the command format apply as
// a command is handed to the device, not when it is accepted.
//
// A stop drops the queue and what the driver holds (QSerialPort::clear, which
// is tcflush(TCOFLUSH) on POSIX); what the adapter's own buffer holds, at most
// about deviceSeconds of the line and one command, still goes out.
//
// Closing hands the whole queue to the device and gives it up to 3 seconds to
// drain (a full queue, and a second for the driver's own buffer to make room);
// the window waits meanwhile. What is still queued then is discarded, and
// notice() says how much.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(QObject *parent = nullptr);

    bool portOpen() const override;
    SerialResult openPort() override;
    void closeAfterDraining() override;

protected:
    SerialResult applySettings(const QString &settings) override;
    SerialResult writeBytes(const QByteArray &bytes) override;
    // QSerialPort keeps its write buffer across a close.
    qint64 heldBytes() const override { return m_port.isOpen() ? m_port.bytesToWrite() : 0; }
    bool deviceHasRoom() const override;
    void pumpLater() override;
    qint64 discardDeviceOutput() override;

private:
    void onError(QSerialPort::SerialPortError error);
    void onBytesWritten(qint64 bytes);
    // Closes after the bounded drain; returns the bytes discarded.
    qint64 drainAndClose();
    // Bytes handed over that may not have left yet, by the larger count.
    qint64 deviceBacklog() const;
    qint64 deviceHoldBytes() const;

    QSerialPort m_port;
    LinePacer m_pacer;
    QTimer m_pumpTimer;
};
