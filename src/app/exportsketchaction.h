// SPDX-License-Identifier: MIT
#pragma once

#include "sequencefilemenu.h"

#include <QObject>

class Engine;
class Notifier;
class QAction;
class QMenu;
class QWidget;

// 文件 → 导出为 Arduino 程序…: the sequence, with the profile's limits, homes,
// curves and pins, as a program an Arduino Uno plays on its own, in a folder
// the operator names; looping when 循环播放 is on, gliding in for the glide
// time. What it made, or why it could not, is told in a message.
class ExportSketchAction final : public QObject
{
    Q_OBJECT

public:
    ExportSketchAction(QMenu &menu, Engine &engine, Notifier &notifier, SequenceFileMenu::Chooser choose,
                       QWidget *parent);

    void exportTo(const QString &folder);

private:
    Engine &m_engine;
    Notifier &m_notifier;
    SequenceFileMenu::Chooser m_choose;
    QWidget *m_parent;
};
