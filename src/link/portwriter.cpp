// SPDX-License-Identifier: MIT
#include "link/portwriter.h"

#include "serialport.h"

PortWriter::PortWriter(SerialPort &port, Report reportNotOpen) : m_port(port), m_reportNotOpen(std::move(reportNotOpen))
{ }

bool PortWriter::write(const QString &text, WhenClosed whenClosed, const std::function<void()> &beforeReport) const
{
    if (whenClosed == WhenClosed::Silent && !m_port.portOpen())
        return false;
    return handled(m_port.output(text), beforeReport);
}

bool PortWriter::handled(const SerialResult &result, const std::function<void()> &beforeReport) const
{
    if (result.ok())
        return true;
    if (result.code() == SerialResult::PortNotOpen) {
        if (beforeReport)
            beforeReport();
        if (m_reportNotOpen)
            m_reportNotOpen();
    }
    return false;
}

bool PortWriter::writeMove(int channel, const QString &text) const
{
    if (!m_port.portOpen())
        return false;
    return handled(m_port.outputMove(channel, text), {});
}

void PortWriter::discardUnsent() const
{
    m_port.discardUnsent();
}
