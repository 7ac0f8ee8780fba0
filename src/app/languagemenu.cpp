// SPDX-License-Identifier: MIT
#include "languagemenu.h"

#include "common/notifier.h"
#include "translations.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <tuple>

LanguageMenu::LanguageMenu(QMenuBar &bar, Language running, Notifier &notifier, QWidget *messageParent)
    : QObject(&bar), m_running(running), m_notifier(notifier), m_messageParent(messageParent)
{
    // The menu's name and the languages' own names read in both languages, so
    // that an operator who cannot read the one running still finds the way back.
    QMenu *menu = bar.addMenu(tr("语言 / Language"));
    menu->setObjectName(QStringLiteral("languageMenu"));
    auto *group = new QActionGroup(menu);
    const Language chosen = language::remembered();
    for (const auto &[language, name, objectName] : {std::tuple{Language::Chinese, tr("中文"), "chineseAction"},
                                                     std::tuple{Language::English, tr("English"), "englishAction"}}) {
        QAction *action = menu->addAction(name);
        action->setObjectName(QString::fromLatin1(objectName));
        action->setCheckable(true);
        action->setChecked(language == chosen);
        group->addAction(action);
        const Language entry = language;
        connect(action, &QAction::triggered, this, [this, entry] { choose(entry); });
    }
}

void LanguageMenu::choose(Language language)
{
    if (language == language::remembered())
        return;
    language::remember(language);
    if (language == m_running)
        return;
    // Said in the language chosen: the operator who chose it reads that one.
    const char *told = language == Language::English ? QT_TR_NOOP("下次启动时界面将使用 English。")
                                                     : QT_TR_NOOP("下次启动时界面将使用中文。");
    m_notifier.show(m_messageParent,
                    {Message::Icon::None, {}, translations::translate(language, "LanguageMenu", told)});
}
