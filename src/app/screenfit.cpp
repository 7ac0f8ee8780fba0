// SPDX-License-Identifier: MIT
#include "screenfit.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

int scaled(int length, double factor)
{
    return int(std::floor(length * factor));
}

// A frame or a plain panel of controls placed by hand; a control's own parts
// (a text box's viewport, a list's popup) are laid out by the control.
bool placesByHand(const QWidget &widget)
{
    return qobject_cast<const QGroupBox *>(&widget)
           || (widget.metaObject()->superClass() == &QWidget::staticMetaObject
               && !qobject_cast<const QComboBox *>(&widget));
}

// Every control placed by hand under `parent` moves and shrinks by `factor`.
void scaleChildren(QWidget &parent, double factor)
{
    for (QWidget *child : parent.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        const QRect g = child->geometry();
        child->setGeometry(scaled(g.x(), factor), scaled(g.y(), factor), scaled(g.width(), factor),
                           scaled(g.height(), factor));
        if (placesByHand(*child))
            scaleChildren(*child, factor);
    }
}

class FrameFit final : public QObject
{
public:
    FrameFit(QWidget &window, QWidget &client) : QObject(&window), m_window(window), m_client(client)
    {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
            fit();
        return false;
    }

private:
    void fit()
    {
        const QRect frame = m_window.frameGeometry();
        const QRect inner = m_window.geometry();
        if (m_done || frame == inner || !m_window.screen())
            return;    // not framed yet
        m_done = true; // once framed, the first look is the only one
        deleteLater();
        const QRect available = m_window.screen()->availableGeometry();
        if (!available.contains(frame))
            fitFrameInto(m_window, m_client, available,
                         {inner.left() - frame.left(), inner.top() - frame.top(), frame.right() - inner.right(),
                          frame.bottom() - inner.bottom()});
    }

    QWidget &m_window;
    QWidget &m_client;
    bool m_done = false;
};

} // namespace

void keepFrameOnScreen(QWidget &window, QWidget &client)
{
    new FrameFit(window, client);
}

void fitFrameInto(QWidget &window, QWidget &client, const QRect &available, const QMargins &frame)
{
    auto *scroll = window.findChild<QScrollArea *>();
    const QSize room = available.size().shrunkBy(frame);
    // The menu bar and the status line, whatever size the window has now.
    if (scroll)
        scroll->setMinimumSize(client.size());
    const QSize around = (scroll ? window.minimumSizeHint() : window.size()) - client.size();
    // Two pixels to spare: the frames' borders round on their own.
    const QSize clientRoom = room - around - QSize(2, 2);
    const double factor =
        std::clamp(std::min(double(clientRoom.width()) / client.width(), double(clientRoom.height()) / client.height()),
                   minimumScale, 1.0);
    if (factor < 1.0) {
        scaleChildren(client, factor);
        client.setFixedSize(scaled(client.width(), factor), scaled(client.height(), factor));
    }
    QSize wanted = client.size() + around;
    if (scroll) {
        // What still does not fit scrolls.
        scroll->setMinimumSize(client.size().boundedTo(clientRoom));
        // A cut height brings a vertical scroll bar: widen by it where there
        // is room, so no horizontal one takes more of the height.
        if (wanted.height() > room.height())
            wanted.rwidth() += scroll->verticalScrollBar()->sizeHint().width();
    }
    window.setMinimumSize(0, 0);
    window.setMaximumSize(wanted);
    window.resize(wanted.boundedTo(room));
    window.move(available.topLeft());
}
