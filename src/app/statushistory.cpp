// SPDX-License-Identifier: MIT
#include "statushistory.h"

#include <QCoreApplication>
#include <QMenu>

void StatusHistory::add(const QDateTime &at, const QString &text)
{
    if (text.isEmpty())
        return;
    m_entries.push_front({at, text});
    if (qsizetype(m_entries.size()) > capacity)
        m_entries.pop_back();
}

void StatusHistory::fill(QMenu &menu) const
{
    menu.clear();
    if (m_entries.empty()) {
        menu.addAction(QCoreApplication::translate("StatusLine", "还没有消息"))->setEnabled(false);
        return;
    }
    for (const Entry &entry : m_entries) {
        // A menu reads "&" as a shortcut's mark and a tab as the start of its key.
        QString text = entry.text;
        text.replace(u'&', QStringLiteral("&&")).replace(u'\t', u' ').replace(u'\n', u' ');
        menu.addAction(entry.at.toString(QStringLiteral("HH:mm:ss")) + QStringLiteral("  ") + text);
    }
}
