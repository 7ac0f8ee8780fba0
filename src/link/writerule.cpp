#include "writerule.h"

#include "common/notifier.h"
#include "serialport.h"

PortWriter::PortWriter(SerialPort &port, Notifier &notifier, QWidget *parent)
    : m_port(port), m_notifier(notifier), m_parent(parent)
{
}

bool PortWriter::write(const QString &text, const std::function<void()> &beforeReport) const
{
    const SerialResult result = m_port.output(text);
    if (result.ok())
        return true;
    if (result.code() == SerialResult::PortNotOpen) {
        if (beforeReport)
            beforeReport();
        m_notifier.show(m_parent, messages::portNotOpen());
    }
    return false;
}
