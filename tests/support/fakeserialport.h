// SPDX-License-Identifier: MIT
#pragma once

#include "link/serialport.h"

#include <QByteArrayList>
#include <QList>

#include <optional>

// A serial port with scripted faults that records what is written to it; what
// it takes reaches the device at once.
class FakeSerialPort final : public SerialPort
{
    Q_OBJECT

public:
    bool portOpen() const override { return m_open; }
    SerialResult openPort() override;
    void closeAfterDraining() override;

    // Simulates the device vanishing while open.
    void pullOut();
    // A held device takes nothing: what is sent waits in the port's queue;
    // released, the queue goes out at once.
    void holdDevice(bool held);

    QByteArrayList writes;
    QList<int> openedPorts;
    std::optional<SerialResult> openFailure;
    std::optional<SerialResult> writeFailure;
    std::optional<QString> refuseSettings; // reason

protected:
    SerialResult applySettings(const QString &settings) override;
    SerialResult writeBytes(const QByteArray &bytes) override;
    bool deviceHasRoom() const override { return !m_held; }

private:
    bool m_open = false;
    bool m_held = false;
};
