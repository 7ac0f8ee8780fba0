// SPDX-License-Identifier: MIT
#pragma once

#include <QLayout>
#include <QList>

namespace priorityrow {

// What one widget of the row asks for: at least `least`, `preferred` when
// there is room; `rank` 0 is the last to give up room.
struct Want {
    int least = 0;
    int preferred = 0;
    int rank = 0;
};

// The widths of `wants` in `room`: every one its least; then, rank by rank
// from 0, what each lacks of its preferred width, shared evenly within a rank
// when the room runs out. Never less than the least, even with no room.
QList<int> widths(const QList<Want> &wants, int room);

} // namespace priorityrow

// Widgets side by side in one row, each with a rank: in a row narrower than
// they all want, those of the highest rank give up room first, down to their
// least, so that short and telling texts stay whole while a long note is the
// one to shrink. The room nobody asks for goes to the one widget that fills;
// the widgets after it stand at the row's right end, in the same place
// whatever the texts before them.
class PriorityRowLayout final : public QLayout
{
    Q_OBJECT

public:
    explicit PriorityRowLayout(QWidget *parent = nullptr);
    ~PriorityRowLayout() override;

    void addWidget(QWidget *widget, int rank, bool fills = false);

    QSize sizeHint() const override;
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

    // QLayout's own adding gives rank 0.
    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override { return int(m_entries.size()); }

private:
    struct Entry {
        QLayoutItem *item;
        int rank;
    };
    // The entries whose widgets are shown, in the row's order.
    QList<const Entry *> shown() const;
    int gaps(qsizetype shownCount) const;

    QList<Entry> m_entries;
    int m_fill = -1;
};
