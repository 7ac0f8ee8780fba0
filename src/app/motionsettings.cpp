// SPDX-License-Identifier: MIT
#include "motionsettings.h"

#include "core/poserecorder.h"
#include "core/programsettings.h"
#include "engine/playback.h"
#include "engine/poserecording.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMenu>
#include <QSpinBox>

namespace {

const QString glideKey = QStringLiteral("motion/glideMs");
const QString recordKey = QStringLiteral("motion/recordMs");

// The whole number stored under `key` when it lies in least..most; else `fallback`.
int storedMs(const QString &key, int least, int most, int fallback)
{
    bool read = false;
    const int ms = programsettings::value(key).toInt(&read);
    return read && ms >= least && ms <= most ? ms : fallback;
}

QSpinBox *msBox(const QString &objectName, int least, int most, int step, int value, QWidget *parent)
{
    auto *box = new QSpinBox(parent);
    box->setObjectName(objectName);
    box->setRange(least, most);
    box->setSingleStep(step);
    box->setSuffix(MotionSettings::tr(" 毫秒"));
    box->setValue(value);
    return box;
}

} // namespace

MotionSettings::MotionSettings(Playback &playback, PoseRecording &recording, QMenu &menu, QWidget &window)
    : QObject(&menu), m_playback(playback), m_recording(recording), m_window(window)
{
    QAction *action = menu.addAction(tr("运动…"));
    action->setObjectName(QStringLiteral("motionSettingsAction"));
    connect(action, &QAction::triggered, this, &MotionSettings::edit);
    m_playback.setGlideMs(storedGlideMs());
    m_recording.setIntervalMs(storedRecordMs());
}

int MotionSettings::storedGlideMs()
{
    return storedMs(glideKey, 0, longestGlideMs, Playback::defaultGlideMs);
}

int MotionSettings::storedRecordMs()
{
    return storedMs(recordKey, PoseRecorder::leastIntervalMs, PoseRecorder::mostIntervalMs,
                    PoseRecorder::defaultIntervalMs);
}

void MotionSettings::edit()
{
    QDialog dialog(&m_window);
    dialog.setObjectName(QStringLiteral("motionSettingsDialog"));
    dialog.setWindowTitle(tr("运动"));
    auto *glide = msBox(QStringLiteral("glideMs"), 0, longestGlideMs, 100, m_playback.glideMs(), &dialog);
    glide->setSpecialValueText(tr("不滑行"));
    auto *record = msBox(QStringLiteral("recordMs"), PoseRecorder::leastIntervalMs, PoseRecorder::mostIntervalMs, 10,
                         m_recording.intervalMs(), &dialog);
    record->setToolTip(tr("录制时每隔这么久记下一次姿态"));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *form = new QFormLayout(&dialog);
    form->addRow(tr("滑行到姿态的时间："), glide);
    form->addRow(tr("录制的间隔："), record);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_playback.setGlideMs(glide->value());
    programsettings::setValue(glideKey, glide->value());
    m_recording.setIntervalMs(record->value());
    programsettings::setValue(recordKey, record->value());
}
