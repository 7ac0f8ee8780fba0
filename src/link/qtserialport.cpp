#include "qtserialport.h"

#include "portnames.h"

namespace {

QSerialPort::Parity toQt(settingsstring::LineSettings::Parity parity)
{
    using P = settingsstring::LineSettings::Parity;
    switch (parity) {
    case P::Even:
        return QSerialPort::EvenParity;
    case P::Odd:
        return QSerialPort::OddParity;
    case P::Mark:
        return QSerialPort::MarkParity;
    case P::Space:
        return QSerialPort::SpaceParity;
    case P::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(settingsstring::LineSettings::StopBits stopBits)
{
    using S = settingsstring::LineSettings::StopBits;
    switch (stopBits) {
    case S::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case S::Two:
        return QSerialPort::TwoStop;
    case S::One:
        break;
    }
    return QSerialPort::OneStop;
}

// Applies every field, stopping at the first one the port refuses.
bool configure(QSerialPort &port, const settingsstring::LineSettings &line)
{
    return port.setBaudRate(line.baudRate) && port.setParity(toQt(line.parity))
        && port.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits))
        && port.setStopBits(toQt(line.stopBits)) && port.setFlowControl(QSerialPort::NoFlowControl);
}

settingsstring::LineSettings lineSettings(const QString &settings)
{
    return std::get<settingsstring::LineSettings>(settingsstring::parse(settings));
}

// An error after which Qt keeps reporting the same error until the port is
// closed: the device or the far end is gone.
bool isFatal(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError;
}

} // namespace

QtSerialPort::QtSerialPort(QObject *parent) : SerialPort(parent)
{
    // The board sends nothing the program wants; reading only keeps the input
    // small and lets a vanished device be noticed at once.
    m_port.setReadBufferSize(1024);
    connect(&m_port, &QSerialPort::readyRead, this, [this] { m_port.readAll(); });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

SerialResult QtSerialPort::setPortOpen(bool open)
{
    if (!open) {
        m_port.close();
        return {};
    }
    if (m_port.isOpen())
        return SerialResult::failure(SerialResult::PortInUse);

    const QString device = portnames::deviceForPort(commPort());
    if (device.isEmpty())
        return SerialResult::failure(SerialResult::InvalidPortNumber);
    m_port.setPortName(device);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        const QString reason = m_port.errorString();
        m_port.clearError();
        if (error == QSerialPort::PermissionError)
            return SerialResult::failure(portnames::heldByAnotherProgram(device) ? SerialResult::PortInUse
                                                                                 : SerialResult::NoPermission,
                                         reason);
        if (error == QSerialPort::DeviceNotFoundError)
            return SerialResult::failure(SerialResult::NoSuchPort, reason);
        return SerialResult::failure(SerialResult::OpenFailed, reason);
    }
    if (!configure(m_port, lineSettings(settings()))) {
        const QString reason = m_port.errorString();
        m_port.close();
        return SerialResult::failure(SerialResult::SettingsRefused, reason);
    }
    return {};
}

SerialResult QtSerialPort::applySettings(const QString &settings)
{
    if (!m_port.isOpen())
        return {};
    if (configure(m_port, lineSettings(settings)))
        return {};
    const QString reason = m_port.errorString();
    m_port.clearError();
    // Put back what was in force, field by field.
    configure(m_port, lineSettings(this->settings()));
    return SerialResult::failure(SerialResult::SettingsRefused, reason);
}

SerialResult QtSerialPort::writeBytes(const QByteArray &bytes)
{
    if (m_port.write(bytes) != bytes.size())
        return SerialResult::failure(SerialResult::WriteFailed, m_port.errorString());
    // Hand the bytes to the driver now rather than when the event loop next runs;
    // flush() does not block.
    m_port.flush();
    return {};
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    // Close at the first fatal error: Qt repeats it in a tight loop otherwise.
    if (!m_port.isOpen() || !isFatal(error))
        return;
    m_port.close();
    m_port.clearError();
    Q_EMIT lost();
}
