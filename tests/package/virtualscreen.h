// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>

#include <cstdint>
#include <optional>

struct xcb_connection_t;

// A private X server (Xvfb) for running the installed program as a desktop
// would: its windows can be listed and asked to close, as a window manager's
// close box does (WM_DELETE_WINDOW).
class VirtualScreen
{
public:
    VirtualScreen() = default;
    ~VirtualScreen();
    VirtualScreen(const VirtualScreen &) = delete;
    VirtualScreen &operator=(const VirtualScreen &) = delete;

    // Starts the server and connects to it; the reason when that fails.
    std::optional<QString> start();

    // The DISPLAY value for the programs to run on it, such as ":3".
    const QByteArray &display() const { return m_display; }

    // The top-level windows currently shown, bottom first.
    QList<std::uint32_t> shownWindows();

    // Asks the window's program to close it, as a close box does.
    void requestClose(std::uint32_t window);

private:
    std::uint32_t atom(const char *name);

    QProcess m_server;
    QByteArray m_display;
    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
};
