// SPDX-License-Identifier: MIT
#include "exportsketchaction.h"

#include "common/notifier.h"
#include "core/sketchexport.h"
#include "engine/engine.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

ExportSketchAction::ExportSketchAction(QMenu &menu, Engine &engine, Notifier &notifier,
                                       SequenceFileMenu::Chooser choose, QWidget *parent)
    : QObject(&menu), m_engine(engine), m_notifier(notifier), m_choose(std::move(choose)), m_parent(parent)
{
    QAction *action = menu.addAction(tr("导出为 Arduino 程序…"));
    action->setObjectName(QStringLiteral("exportSketchAction"));
    connect(action, &QAction::triggered, this, [this] {
        if (const QString folder = m_choose(SequenceFileMenu::Choice::ExportFolder, m_parent); !folder.isEmpty())
            exportTo(folder);
    });
}

void ExportSketchAction::exportTo(const QString &folder)
{
    const Playback &playback = m_engine.playback();
    const sketchexport::Input input = sketchexport::inputFor(m_engine.profile().profile(), m_engine.sequence().text(),
                                                             playback.isLooping(), playback.glideMs());
    const std::variant<sketchexport::Sketch, sketchexport::Refusal> made =
        sketchexport::make(input, QFileInfo(QDir(folder).absolutePath()).fileName());
    const QString title = tr("导出为 Arduino 程序");
    if (const auto *refused = std::get_if<sketchexport::Refusal>(&made)) {
        m_notifier.show(m_parent, {Message::Icon::Warning, title, sketchexport::describe(*refused)});
        return;
    }
    const auto &sketch = std::get<sketchexport::Sketch>(made);
    if (const std::optional<QString> failed = sketchexport::write(folder, sketch)) {
        m_notifier.show(m_parent, {Message::Icon::Warning, title,
                                   tr("无法写入文件夹 %1：%2").arg(QDir::toNativeSeparators(folder), *failed)});
        return;
    }
    m_notifier.show(m_parent, {Message::Icon::None, title, sketchexport::describe(sketch, folder)});
}
