#pragma once

#include "serialport.h"

#include <QSerialPort>

// The serial port object on a real device, through QSerialPort.
class QtSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    explicit QtSerialPort(QObject *parent = nullptr);

    bool portOpen() const override;
    SerialResult setPortOpen(bool open) override;

protected:
    SerialResult applySettings(const QString &settings) override;
    SerialResult writeBytes(const QByteArray &bytes) override;

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort m_port;
};
