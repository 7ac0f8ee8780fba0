// SPDX-License-Identifier: MIT
#include "motionsettings.h"

#include "core/programsettings.h"
#include "engine/playback.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMenu>
#include <QSpinBox>

namespace {

const QString glideKey = QStringLiteral("motion/glideMs");

} // namespace

MotionSettings::MotionSettings(Playback &playback, QMenu &menu, QWidget &window)
    : QObject(&menu), m_playback(playback), m_window(window)
{
    QAction *action = menu.addAction(tr("运动…"));
    action->setObjectName(QStringLiteral("motionSettingsAction"));
    connect(action, &QAction::triggered, this, &MotionSettings::edit);
    m_playback.setGlideMs(storedGlideMs());
}

int MotionSettings::storedGlideMs()
{
    bool read = false;
    const int ms = programsettings::value(glideKey).toInt(&read);
    return read && ms >= 0 && ms <= longestGlideMs ? ms : Playback::defaultGlideMs;
}

void MotionSettings::edit()
{
    QDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("motionSettingsDialog"));
    dialog.setWindowTitle(tr("运动"));
    auto *glide = new QSpinBox(&dialog);
    glide->setObjectName(QStringLiteral("glideMs"));
    glide->setRange(0, longestGlideMs);
    glide->setSingleStep(100);
    glide->setSuffix(tr(" 毫秒"));
    glide->setSpecialValueText(tr("不滑行"));
    glide->setValue(m_playback.glideMs());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *form = new QFormLayout(&dialog);
    form->addRow(tr("滑行到姿态的时间："), glide);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_playback.setGlideMs(glide->value());
    programsettings::setValue(glideKey, glide->value());
}
