#include "serialport.h"

#include "common/textcodec.h"
#include "settingsstring.h"

SerialResult SerialPort::setCommPort(int number)
{
    if (number < 1)
        return SerialResult::failure(SerialResult::InvalidPortNumber);
    m_commPort = number;
    return {};
}

SerialResult SerialPort::setSettings(const QString &settings)
{
    const auto parsed = settingsstring::parse(settings);
    if (const QString *reason = std::get_if<QString>(&parsed))
        return SerialResult::failure(SerialResult::SettingsRefused, *reason);
    if (const SerialResult applied = applySettings(settings); !applied.ok())
        return applied;
    m_settings = settings;
    return {};
}

SerialResult SerialPort::output(const QString &text)
{
    if (!portOpen())
        return SerialResult::failure(SerialResult::PortNotOpen);
    const QByteArray bytes = textcodec::encodeForWire(text);
    SerialResult written = writeBytes(bytes);
    if (written.ok()) {
        m_traffic.bytes += bytes.size();
        ++m_traffic.commands;
    }
    return written;
}
