#include "fakeserialport.h"

SerialResult FakeSerialPort::setPortOpen(bool open)
{
    if (open) {
        if (openFailure)
            return *openFailure;
        openedPorts.append(commPort());
    }
    m_open = open;
    return {};
}

void FakeSerialPort::pullOut()
{
    m_open = false;
    Q_EMIT lost();
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
    return {};
}
