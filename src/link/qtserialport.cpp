// SPDX-License-Identifier: MIT
#include "qtserialport.h"

#include "core/portnames.h"
#include "driverqueue.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cmath>

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

settingsstring::LineSettings parsedLine(const QString &settings)
{
    return std::get<settingsstring::LineSettings>(settingsstring::parse(settings));
}

constexpr int drainMs = 3000;

} // namespace

QtSerialPort::QtSerialPort(QObject *parent) : SerialPort(parent)
{
    // The board sends nothing the program wants; reading only keeps the input
    // small and lets a vanished device be noticed at once.
    m_port.setReadBufferSize(1024);
    connect(&m_port, &QSerialPort::readyRead, this, [this] { m_port.readAll(); });
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&m_port, &QSerialPort::bytesWritten, this, &QtSerialPort::onBytesWritten);
    m_pumpTimer.setSingleShot(true);
    m_pumpTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pumpTimer, &QTimer::timeout, this, [this] { pump(); });
    const auto followRate = [this] { m_pacer.setBytesPerSecond(bytesPerSecond()); };
    followRate();
    connect(this, &SerialPort::settingsChanged, this, followRate);
}

bool QtSerialPort::portOpen() const
{
    return m_port.isOpen();
}

void QtSerialPort::closeAfterDraining()
{
    if (!m_port.isOpen())
        return;
    if (const qint64 unsent = drainAndClose(); unsent > 0) {
        Q_EMIT notice({PortNotice::Kind::DiscardedOnClose, unsent, queueLimit(), double(unsent) / bytesPerSecond(),
                       drainMs / 1000.0});
    }
}

SerialResult QtSerialPort::openPort()
{
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
            return SerialResult::failure(
                portnames::heldByAnotherProgram(device) ? SerialResult::PortInUse : SerialResult::NoPermission, reason);
        if (error == QSerialPort::DeviceNotFoundError)
            return SerialResult::failure(SerialResult::NoSuchPort, reason);
        return SerialResult::failure(SerialResult::OpenFailed, reason);
    }
    if (!configure(m_port, lineSettings())) {
        const QString reason = m_port.errorString();
        m_port.close();
        return SerialResult::failure(SerialResult::SettingsRefused, reason);
    }
    m_pacer = {};
    m_pacer.setBytesPerSecond(bytesPerSecond());
    return {};
}

SerialResult QtSerialPort::applySettings(const QString &settings)
{
    if (!m_port.isOpen())
        return {};
    if (configure(m_port, parsedLine(settings)))
        return {};
    const QString reason = m_port.errorString();
    m_port.clearError();
    // Put back what was in force, field by field.
    configure(m_port, lineSettings());
    return SerialResult::failure(SerialResult::SettingsRefused, reason);
}

SerialResult QtSerialPort::writeBytes(const QByteArray &bytes)
{
    const qint64 queued = m_port.bytesToWrite();
    if (m_port.write(bytes) != bytes.size())
        return SerialResult::failure(SerialResult::WriteFailed, m_port.errorString());
    m_pacer.handedOver(bytes.size(), steadyNowUs());
    // With nothing queued, hand the bytes to the driver now rather than when the
    // event loop next runs; flush() does not block. Then let the system's part of
    // delivering them (a pseudo-terminal's is a kernel worker) have the
    // processor before this thread goes on to redraw the window: otherwise the
    // bytes can wait a millisecond for that.
    if (queued == 0) {
        m_port.flush();
        QThread::yieldCurrentThread();
    }
    if (!m_port.isOpen())
        return SerialResult::failure(SerialResult::WriteFailed);
    return {};
}

qint64 QtSerialPort::deviceBacklog() const
{
    const qint64 counted = m_port.bytesToWrite() + driverqueue::unsentBytes(qintptr(m_port.handle())).value_or(0);
    return std::max(counted, m_pacer.backlog(steadyNowUs()));
}

qint64 QtSerialPort::deviceHoldBytes() const
{
    return std::max<qint64>(1, qint64(SerialPort::deviceSeconds * m_pacer.bytesPerSecond()));
}

bool QtSerialPort::deviceHasRoom() const
{
    return deviceBacklog() < deviceHoldBytes();
}

void QtSerialPort::pumpLater()
{
    if (m_pumpTimer.isActive() || !m_port.isOpen())
        return;
    const double excess = double(deviceBacklog() - deviceHoldBytes() + 1);
    const int ms = int(std::ceil(std::max(excess, 0.0) * 1000.0 / m_pacer.bytesPerSecond()));
    m_pumpTimer.start(std::max(ms, 1));
}

qint64 QtSerialPort::discardDeviceOutput()
{
    m_pumpTimer.stop();
    const qint64 unsent = m_port.bytesToWrite();
    m_port.clear(QSerialPort::Output);
    return unsent;
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    // errno as the failing call left it, before anything else can change it.
    const int systemError = errno;
    if (!m_port.isOpen())
        return;
    if (error != QSerialPort::ReadError && error != QSerialPort::WriteError && error != QSerialPort::ResourceError)
        return;
    // A slow line, or one held still (Qt words a write that would block on a
    // stopped terminal as a resource error): the bytes stay queued and go out
    // when it makes room.
    if (portnames::onlyBufferFull(systemError)) {
        m_port.clearError();
        return;
    }
    // The device or the far end is gone. Close at once: Qt repeats the error in
    // a tight loop otherwise.
    const qint64 unsent = m_port.bytesToWrite();
    m_pumpTimer.stop();
    m_port.close();
    m_port.clearError();
    portClosed(unsent);
    Q_EMIT lost();
}

void QtSerialPort::onBytesWritten(qint64 bytes)
{
    reportWritten(bytes);
    pump();
}

qint64 QtSerialPort::drainAndClose()
{
    m_pumpTimer.stop();
    handOverAll();
    const QDeadlineTimer deadline(drainMs);
    while (m_port.isOpen() && m_port.bytesToWrite() > 0 && !deadline.hasExpired())
        m_port.waitForBytesWritten(int(deadline.remainingTime()));
    // Lost while draining: lost() has said so.
    if (!m_port.isOpen())
        return 0;
    const qint64 unsent = m_port.bytesToWrite();
    // Also drops what the driver still holds, so that closing cannot hang on a
    // line that has stopped.
    if (unsent > 0)
        m_port.clear(QSerialPort::Output);
    m_port.close();
    m_port.clearError();
    portClosed(unsent);
    return unsent;
}
