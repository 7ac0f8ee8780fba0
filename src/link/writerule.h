#pragma once

#include <QString>

#include <functional>

class Notifier;
class QWidget;
class SerialPort;

// The rule that every handler writing to the port follows: the text goes out in
// one write; on failure the handler skips the rest of its work, "端口未打开" is
// shown when the port is not open, and any other failure is dropped silently.
// Nothing already done is rolled back.
class PortWriter
{
public:
    PortWriter(SerialPort &port, Notifier &notifier, QWidget *parent);

    // True when written. `beforeReport` runs before a message box is shown, so a
    // caller can stop what must not run while the box is open.
    bool write(const QString &text, const std::function<void()> &beforeReport = {}) const;

private:
    SerialPort &m_port;
    Notifier &m_notifier;
    QWidget *m_parent;
};
