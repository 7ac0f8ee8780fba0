// SPDX-License-Identifier: MIT
#include "priorityrow.h"

#include <QWidget>

#include <algorithm>
#include <map>

namespace priorityrow {

QList<int> widths(const QList<Want> &wants, int room)
{
    QList<int> given;
    std::map<int, QList<qsizetype>> ranks;
    for (qsizetype i = 0; i < wants.size(); ++i) {
        given.append(wants[i].least);
        room -= wants[i].least;
        ranks[wants[i].rank].append(i);
    }
    for (auto &[rank, members] : ranks) {
        // Raises the members' level together: each takes what it lacks, up to
        // an even share of what is left, the smallest wants first.
        std::sort(members.begin(), members.end(), [&wants](qsizetype a, qsizetype b) {
            return wants[a].preferred - wants[a].least < wants[b].preferred - wants[b].least;
        });
        for (qsizetype k = 0; k < members.size() && room > 0; ++k) {
            const qsizetype i = members[k];
            const int share = room / int(members.size() - k);
            const int taken = std::clamp(wants[i].preferred - wants[i].least, 0, share);
            given[i] += taken;
            room -= taken;
        }
    }
    return given;
}

} // namespace priorityrow

PriorityRowLayout::PriorityRowLayout(QWidget *parent) : QLayout(parent) { }

PriorityRowLayout::~PriorityRowLayout()
{
    for (const Entry &entry : std::as_const(m_entries))
        delete entry.item;
}

void PriorityRowLayout::addWidget(QWidget *widget, int rank, bool fills)
{
    addChildWidget(widget);
    if (fills)
        m_fill = count();
    m_entries.append({new QWidgetItem(widget), rank});
    invalidate();
}

void PriorityRowLayout::addItem(QLayoutItem *item)
{
    m_entries.append({item, 0});
    invalidate();
}

QLayoutItem *PriorityRowLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? m_entries[index].item : nullptr;
}

QLayoutItem *PriorityRowLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem *item = m_entries.takeAt(index).item;
    if (index == m_fill)
        m_fill = -1;
    else if (index < m_fill)
        --m_fill;
    invalidate();
    return item;
}

QList<const PriorityRowLayout::Entry *> PriorityRowLayout::shown() const
{
    QList<const Entry *> entries;
    for (const Entry &entry : m_entries) {
        if (!entry.item->isEmpty())
            entries.append(&entry);
    }
    return entries;
}

int PriorityRowLayout::gaps(qsizetype shownCount) const
{
    return shownCount > 1 ? int(shownCount - 1) * std::max(spacing(), 0) : 0;
}

QSize PriorityRowLayout::sizeHint() const
{
    const QList<const Entry *> entries = shown();
    QSize size(gaps(entries.size()), 0);
    for (const Entry *entry : entries) {
        const QSize wanted = entry->item->sizeHint();
        size = {size.width() + wanted.width(), std::max(size.height(), wanted.height())};
    }
    const QMargins margins = contentsMargins();
    return size.grownBy(margins);
}

QSize PriorityRowLayout::minimumSize() const
{
    const QList<const Entry *> entries = shown();
    QSize size(gaps(entries.size()), 0);
    for (const Entry *entry : entries) {
        const QSize least = entry->item->minimumSize();
        size = {size.width() + least.width(), std::max(size.height(), entry->item->sizeHint().height())};
    }
    return size.grownBy(contentsMargins());
}

void PriorityRowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    const QRect area = rect.marginsRemoved(contentsMargins());
    const QList<const Entry *> entries = shown();
    QList<priorityrow::Want> wants;
    for (const Entry *entry : entries)
        wants.append({entry->item->minimumSize().width(), entry->item->sizeHint().width(), entry->rank});
    const int room = area.width() - gaps(entries.size());
    QList<int> given = priorityrow::widths(wants, room);
    int spare = room;
    for (const int width : std::as_const(given))
        spare -= width;
    spare = std::max(spare, 0);

    int x = area.left();
    const Entry *fill = m_fill >= 0 ? &m_entries[m_fill] : nullptr;
    bool spareGiven = false;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry *entry = entries[i];
        // The spare room stands where the filling item is, shown or not.
        if (!spareGiven && fill && entry >= fill) {
            if (entry == fill)
                given[i] += spare;
            else
                x += spare;
            spareGiven = true;
        }
        const int height = std::min(area.height(), entry->item->maximumSize().height());
        entry->item->setGeometry(QRect(x, area.top() + (area.height() - height) / 2, given[i], height));
        x += given[i] + std::max(spacing(), 0);
    }
}
