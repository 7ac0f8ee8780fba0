// SPDX-License-Identifier: MIT
#pragma once

#include "core/language.h"

#include <QObject>

class Notifier;
class QMenu;
class QMenuBar;
class QWidget;

// The menu 语言 / Language: 中文 and English, the one running checked. A choice
// is remembered in the settings file and takes effect at the next start, which
// the operator is told in the language chosen.
class LanguageMenu : public QObject
{
    Q_OBJECT

public:
    LanguageMenu(QMenuBar &bar, Language running, Notifier &notifier, QWidget *messageParent);

private:
    void choose(Language language);

    Language m_running;
    Notifier &m_notifier;
    QWidget *m_messageParent;
};
