// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <functional>

class SerialPort;
class SerialResult;

// The one rule for writing to the port. The text goes out in one write; on
// failure the caller skips the rest of its work, and nothing already done is
// rolled back. What happens when the port is not open is the caller's explicit
// choice:
//   Report  the write is tried; the port refuses it (not open) and the writer's
//           report runs (the window shows "端口未打开"). Playback and Send.
//   Silent  nothing is tried and nothing is shown. A channel move, which only
//           goes out while connected.
// Every other failure is dropped without a word. Whether the port is open is
// the port's own answer, the same one the Connect button shows.
class PortWriter
{
public:
    enum class WhenClosed { Report, Silent };

    // How the operator is told that the port is not open.
    using Report = std::function<void()>;
    PortWriter(SerialPort &port, Report reportNotOpen);

    // True when written. `beforeReport` runs before the report, so a caller can
    // stop what must not run while the operator is being told.
    bool write(const QString &text, WhenClosed whenClosed, const std::function<void()> &beforeReport = {}) const;
    // A live move of `channel` (Silent when closed): while the line is behind,
    // a newer move of the channel replaces the one still waiting.
    bool writeMove(int channel, const QString &text) const;
    // Drops every command not yet on the wire.
    void discardUnsent() const;

private:
    // The rule above, for the port's answer.
    bool handled(const SerialResult &result, const std::function<void()> &beforeReport) const;

    SerialPort &m_port;
    Report m_reportNotOpen;
};
