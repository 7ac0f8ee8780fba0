// SPDX-License-Identifier: MIT
#include "serialport.h"

#include "core/textcodec.h"
#include "core/settingsstring.h"

#include <QSerialPortInfo>

#include <algorithm>
#include <chrono>

namespace {

qint64 queueLimitFor(const settingsstring::LineSettings &line)
{
    return std::max(SerialPort::smallestQueueLimit,
                    qint64(SerialPort::queueSeconds * settingsstring::bytesPerSecond(line)));
}

} // namespace

qint64 SerialPort::steadyNowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

SerialPort::SerialPort(QObject *parent)
    : QObject(parent),
      m_settings(QString::fromLatin1(settingsstring::initial)),
      m_line(std::get<settingsstring::LineSettings>(settingsstring::parse(m_settings)))
{
    m_queueLimit = queueLimitFor(m_line);
}

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
    if (const settingsstring::Problem *problem = std::get_if<settingsstring::Problem>(&parsed))
        return SerialResult::failure(SerialResult::SettingsRefused, settingsstring::describe(*problem));
    const QList<qint32> rates = standardBaudRates();
    if (const qint32 rate = std::get<settingsstring::LineSettings>(parsed).baudRate;
        !rates.isEmpty() && !rates.contains(rate)) {
        QStringList named;
        for (const qint32 standard : rates)
            named.append(QString::number(standard));
        return SerialResult::failure(
            SerialResult::SettingsRefused,
            tr("比特率 %1 不是串口能用的速率，应为其中之一：%2。").arg(rate).arg(named.join(tr("、"))));
    }
    if (const SerialResult applied = applySettings(settings); !applied.ok())
        return applied;
    m_settings = settings;
    m_line = std::get<settingsstring::LineSettings>(parsed);
    m_queueLimit = queueLimitFor(m_line);
    Q_EMIT settingsChanged(m_settings);
    return {};
}

QList<qint32> SerialPort::standardBaudRates()
{
    QList<qint32> rates = QSerialPortInfo::standardBaudRates();
    std::sort(rates.begin(), rates.end());
    return rates;
}

void SerialPort::setCommandFormat(CommandFormat format)
{
    if (format == m_format)
        return;
    m_format = format;
    Q_EMIT commandFormatChanged(m_format);
}

QByteArray SerialPort::wireBytes(const QString &text) const
{
    return textcodec::encodeForWire(commandformat::apply(text, m_format));
}

SerialResult SerialPort::output(const QString &text)
{
    if (!portOpen())
        return SerialResult::failure(SerialResult::PortNotOpen);
    const QByteArray bytes = wireBytes(text);
    if (const SerialResult refused = refuseBeyondQueue(bytes); !refused.ok())
        return refused;
    if (m_queue.empty() && deviceHasRoom())
        return handOver({text, bytes, std::nullopt});
    m_queue.pushOrdered(text, bytes);
    pumpLater();
    return {};
}

SerialResult SerialPort::outputMove(int channel, const QString &text)
{
    if (!portOpen())
        return SerialResult::failure(SerialResult::PortNotOpen);
    const QByteArray bytes = wireBytes(text);
    if (bytes.size() > m_queueLimit) {
        Q_EMIT notice({PortNotice::Kind::CommandTooLong, bytes.size(), m_queueLimit, queueSeconds});
        return SerialResult::failure(SerialResult::QueueFull);
    }
    if (m_queue.empty() && deviceHasRoom())
        return handOver({text, bytes, channel});
    m_queue.pushLive(channel, text, bytes, queueRoom());
    pumpLater();
    return {};
}

SerialResult SerialPort::refuseBeyondQueue(const QByteArray &bytes)
{
    if (bytes.size() > m_queueLimit) {
        Q_EMIT notice({PortNotice::Kind::CommandTooLong, bytes.size(), m_queueLimit, queueSeconds});
        return SerialResult::failure(SerialResult::QueueFull);
    }
    // The moves deferred so far go out ahead of it.
    const qint64 ahead = queuedBytes() + m_queue.deferredBytes();
    // The episode of refusing ends once the queue is back to half the bound.
    if (m_refusing && ahead <= m_queueLimit / 2)
        m_refusing = false;
    if (ahead + bytes.size() > m_queueLimit) {
        if (!m_refusing) {
            m_refusing = true;
            Q_EMIT notice({PortNotice::Kind::Backlog, bytes.size(), m_queueLimit, queueSeconds});
        }
        return SerialResult::failure(SerialResult::QueueFull);
    }
    return {};
}

SerialResult SerialPort::handOver(const MoveQueue::Command &command)
{
    // The limits and the format in force now, not when the command was
    // accepted: a limit tightened meanwhile holds for it too.
    const QString sent = m_filter ? m_filter(command.text) : command.text;
    const QByteArray bytes = wireBytes(sent);
    // Known before the write: the implementation may report bytes written
    // from inside it.
    const qint64 end = m_traffic.accepted + bytes.size();
    m_commandEnds.push_back(end);
    m_traffic.accepted = end;
    const SerialResult written = writeBytes(bytes);
    if (!written.ok()) {
        if (!m_commandEnds.empty() && m_commandEnds.back() == end) {
            m_commandEnds.pop_back();
            m_traffic.accepted -= bytes.size();
        }
        return written;
    }
    Q_EMIT commandSent(sent, steadyNowUs());
    return written;
}

void SerialPort::pump()
{
    while (!m_queue.empty() && portOpen() && deviceHasRoom()) {
        if (const SerialResult written = handOver(m_queue.takeFront()); !written.ok())
            return dropAfterFailedWrite(written);
        m_queue.admitDeferred(queueRoom());
    }
    if (!m_queue.empty() && portOpen())
        pumpLater();
}

void SerialPort::handOverAll()
{
    while (!m_queue.empty() && portOpen()) {
        if (const SerialResult written = handOver(m_queue.takeFront()); !written.ok())
            return dropAfterFailedWrite(written);
    }
}

void SerialPort::dropAfterFailedWrite(const SerialResult &failure)
{
    // The command that failed and everything behind it; a lost device says so
    // itself, through lost().
    const qint64 dropped = m_queue.clear();
    if (!portOpen())
        return;
    PortNotice told{PortNotice::Kind::WriteFailed, dropped, m_queueLimit, queueSeconds};
    told.reason = failure.reason();
    Q_EMIT notice(told);
}

void SerialPort::discardUnsent()
{
    m_queue.clear();
    if (portOpen())
        unsentDiscarded(discardDeviceOutput());
}

void SerialPort::resetTraffic()
{
    m_traffic = {};
    m_commandEnds.clear();
    m_dropped = 0;
}

void SerialPort::reportWritten(qint64 bytes)
{
    m_traffic.bytes += bytes;
    while (!m_commandEnds.empty() && m_commandEnds.front() <= m_traffic.bytes + m_dropped) {
        m_commandEnds.pop_front();
        ++m_traffic.commands;
    }
}

void SerialPort::portClosed(qint64 unsent)
{
    m_queue.clear();
    m_refusing = false;
    unsentDiscarded(unsent);
}

void SerialPort::unsentDiscarded(qint64 unsent)
{
    // The driver took everything but `unsent`, whether or not it has said so yet.
    if (const qint64 taken = m_traffic.accepted - m_dropped - unsent - m_traffic.bytes; taken > 0)
        reportWritten(taken);
    m_commandEnds.clear();
    m_dropped = m_traffic.accepted - m_traffic.bytes;
}

QString PortNotice::describe() const
{
    const auto figure = [](double value) { return QString::number(value, 'f', 1); };
    switch (kind) {
    case Kind::CommandTooLong:
        return SerialPort::tr("这条指令有 %1 字节，超过了等待发送数据的上限（约 %2 秒的发送量，%3 字节），"
                              "整条被拒绝、没有发送。",
                              nullptr, pluralFormOf(bytes))
            .arg(bytes)
            .arg(figure(seconds))
            .arg(queueLimit);
    case Kind::Backlog:
        return SerialPort::tr("串口发送跟不上：等待发送的数据已积压到上限（约 %1 秒的发送量，%2 字节）。"
                              "积压发出之前，新的指令被拒绝、不会发送，舵机可能没有到达界面上显示的位置。",
                              nullptr, pluralFormOf(queueLimit))
            .arg(figure(seconds))
            .arg(queueLimit);
    case Kind::WriteFailed:
        return SerialPort::tr("等待发送的指令（%1 字节）没能写入串口，已被丢弃，没有送到舵机板：%2", nullptr,
                              pluralFormOf(bytes))
            .arg(bytes)
            .arg(reason);
    case Kind::DiscardedOnClose:
        break;
    }
    return SerialPort::tr("关闭串口时，还有 %1 字节（约 %2 秒的发送量）在 %3 秒内未能发出，"
                          "已被丢弃，没有送到舵机板。",
                          nullptr, pluralFormOf(bytes))
        .arg(bytes)
        .arg(figure(seconds))
        .arg(figure(waitedSeconds));
}
