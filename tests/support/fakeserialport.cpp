// SPDX-License-Identifier: MIT
#include "fakeserialport.h"

SerialResult FakeSerialPort::openPort()
{
    if (openFailure)
        return *openFailure;
    openedPorts.append(commPort());
    m_open = true;
    return {};
}

void FakeSerialPort::closeAfterDraining()
{
    if (m_open)
        portClosed(0);
    m_open = false;
}

void FakeSerialPort::pullOut()
{
    m_open = false;
    portClosed(0);
    Q_EMIT lost();
}

void FakeSerialPort::holdDevice(bool held)
{
    m_held = held;
    if (!held)
        pump();
}

SerialResult FakeSerialPort::applySettings(const QString &)
{
    if (refuseSettings)
        return SerialResult::failure(SerialResult::SettingsRefused, *refuseSettings);
    return {};
}

SerialResult FakeSerialPort::writeBytes(const QByteArray &bytes)
{
    if (writeFailure)
        return *writeFailure;
    writes.append(bytes);
    // An ideal line: every byte reaches the device at once.
    reportWritten(bytes.size());
    return {};
}
