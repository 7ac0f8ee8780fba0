// SPDX-License-Identifier: MIT
#include "app/mainwindow.h"
#include "support/windowharness.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

#include "support/testmain.h"

namespace {

// A menu entry as the guide writes it: without its mnemonic ("文件(&F)") and
// without the dots of an entry that opens a dialog.
QString asWritten(QString text)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)"));
    return text.remove(mnemonic).remove(QLatin1Char('&')).remove(QStringLiteral("…")).trimmed();
}

void collect(const QMenu &menu, const QString &path, QStringList &paths, QStringList &texts)
{
    for (const QAction *action : menu.actions()) {
        if (action->isSeparator() || action->text().isEmpty())
            continue;
        const QString text = asWritten(action->text());
        const QString here = path + QStringLiteral(" → ") + text;
        paths.append(here);
        texts.append(text);
        if (const QMenu *submenu = action->menu())
            collect(*submenu, here, paths, texts);
    }
}

} // namespace

// The user's guide names every menu entry the program has, so that a new one
// cannot land without its paragraph.
class TestGuide : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mentionsEveryMenuEntry_data()
    {
        QTest::addColumn<QString>("entry");
        WindowHarness h;
        QStringList paths;
        QStringList texts;
        for (const QAction *action : h.window().menuBar()->actions()) {
            if (const QMenu *menu = action->menu())
                collect(*menu, asWritten(action->text()), paths, texts);
        }
        if (paths.size() < 20)
            qFatal("the menu bar holds only %lld entries: the walk missed its menus", qlonglong(paths.size()));
        for (qsizetype i = 0; i < paths.size(); ++i)
            QTest::newRow(qPrintable(paths.at(i))) << texts.at(i);
    }
    void mentionsEveryMenuEntry()
    {
        QFETCH(QString, entry);
        QFile guide(QStringLiteral(GUIDE_FILE));
        QVERIFY2(guide.open(QIODevice::ReadOnly), qPrintable(guide.errorString()));
        QVERIFY2(QString::fromUtf8(guide.readAll()).contains(entry),
                 qPrintable(QStringLiteral("docs/guide.md never names \"%1\"").arg(entry)));
    }
};

SERVO_TEST_MAIN(TestGuide)
#include "tst_guide.moc"
