// SPDX-License-Identifier: MIT
#include "screenfit.h"

#include <QEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QWidget>

namespace {

class FrameFit final : public QObject
{
public:
    FrameFit(QWidget &window, QWidget *keepInView) : QObject(&window), m_window(window), m_keepInView(keepInView)
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
        if (available.contains(frame))
            return;
        const QSize room = available.size() - (frame.size() - inner.size());
        QSize wanted = inner.size();
        auto *scroll = m_window.findChild<QScrollArea *>();
        // A cut height brings a vertical scroll bar: widen by it where there is
        // room, so no horizontal one takes more of the height.
        if (scroll && wanted.height() > room.height())
            wanted.rwidth() += scroll->verticalScrollBar()->sizeHint().width();
        m_window.setMaximumSize(m_window.maximumSize().expandedTo(wanted));
        m_window.resize(wanted.boundedTo(room));
        m_window.move(available.topLeft());
        if (scroll && m_keepInView)
            scroll->ensureWidgetVisible(m_keepInView, 0, 0);
    }

    QWidget &m_window;
    QWidget *m_keepInView;
    bool m_done = false;
};

} // namespace

void keepFrameOnScreen(QWidget &window, QWidget *keepInView)
{
    new FrameFit(window, keepInView);
}
