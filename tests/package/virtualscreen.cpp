// SPDX-License-Identifier: MIT
#include "virtualscreen.h"

#include <QStandardPaths>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

#include <poll.h>
#include <unistd.h>

namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <typename Reply>
ReplyPtr<Reply> owned(Reply *reply)
{
    return ReplyPtr<Reply>(reply, &std::free);
}

// Reads the display number that Xvfb writes to -displayfd once it accepts clients.
QByteArray readDisplayNumber(int fd)
{
    QByteArray number;
    pollfd waiting{fd, POLLIN, 0};
    char c = 0;
    while (::poll(&waiting, 1, 20000) > 0 && ::read(fd, &c, 1) == 1 && c != '\n')
        number.append(c);
    return number;
}

} // namespace

VirtualScreen::~VirtualScreen()
{
    if (m_connection)
        xcb_disconnect(m_connection);
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
}

std::optional<QString> VirtualScreen::start()
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        return QStringLiteral("Xvfb not found (tools/install-deps.sh installs xvfb)");
    int pipe[2];
    if (::pipe(pipe) != 0)
        return QStringLiteral("no pipe for Xvfb's display number");
    // -ac: the unprivileged user the program runs as may connect too.
    m_server.start(xvfb, {QStringLiteral("-displayfd"), QString::number(pipe[1]), QStringLiteral("-ac"),
                          QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-screen"),
                          QStringLiteral("0"), QStringLiteral("1280x1024x24")});
    ::close(pipe[1]);
    const QByteArray number = m_server.waitForStarted() ? readDisplayNumber(pipe[0]) : QByteArray();
    ::close(pipe[0]);
    if (number.isEmpty())
        return QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(m_server.readAllStandardError());
    m_display = ':' + number;

    int screenNumber = 0;
    m_connection = xcb_connect(m_display.constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return QStringLiteral("cannot connect to Xvfb on ") + QString::fromLatin1(m_display);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;
    return std::nullopt;
}

QList<std::uint32_t> VirtualScreen::shownWindows()
{
    QList<std::uint32_t> shown;
    const auto tree = owned(xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr));
    if (!tree)
        return shown;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const auto attributes = owned(xcb_get_window_attributes_reply(
            m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            shown.append(children[i]);
    }
    return shown;
}

void VirtualScreen::requestClose(std::uint32_t window)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&message));
    xcb_flush(m_connection);
}

std::uint32_t VirtualScreen::atom(const char *name)
{
    const auto reply = owned(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, static_cast<std::uint16_t>(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
}
