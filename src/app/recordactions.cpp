// SPDX-License-Identifier: MIT
#include "recordactions.h"

#include "engine/engine.h"
#include "engine/poserecording.h"
#include "sequence/sequenceeditor.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>

namespace {

constexpr int noteMs = 5000;

} // namespace

RecordActions::RecordActions(Engine &engine, SequenceEditor &editor, QMenu &menu, QStatusBar &statusLine)
    : QObject(&menu),
      m_engine(engine),
      m_editor(editor),
      m_statusLine(statusLine),
      m_recording(new PoseRecording(engine.pose(), engine.clock(), engine.sequence(), engine.cursor(), this))
{
    menu.addSeparator();
    m_record = menu.addAction(tr("录制"));
    m_record->setObjectName(QStringLiteral("recordAction"));
    m_record->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_record->setCheckable(true);
    m_drop = menu.addAction(tr("放弃录制"));
    m_drop->setObjectName(QStringLiteral("dropRecordingAction"));
    m_drop->setShortcut(QKeySequence(Qt::Key_Escape));

    m_label = new QLabel(tr("● 录制中"));
    m_label->setObjectName(QStringLiteral("recordingLabel"));
    m_label->setStyleSheet(QStringLiteral("color: #cc0000"));
    statusLine.addPermanentWidget(m_label);

    connect(m_record, &QAction::toggled, this, [this](bool on) {
        if (on)
            m_recording->start();
        else
            stop();
    });
    connect(m_drop, &QAction::triggered, this, [this] {
        if (!m_recording->recording())
            return;
        m_recording->drop();
        m_statusLine.showMessage(tr("录制已放弃"), noteMs);
    });
    connect(m_recording, &PoseRecording::recordingChanged, this, &RecordActions::follow);
    // Esc is playback's stop while it runs.
    connect(&engine.playback(), &Playback::statusChanged, this, &RecordActions::follow);
    follow();
}

void RecordActions::finish()
{
    m_record->setChecked(false);
}

void RecordActions::stop()
{
    if (!m_recording->recording())
        return;
    const PoseRecording::Lines lines = m_recording->stop();
    if (lines.count == 0) {
        m_statusLine.showMessage(tr("录制结束：姿态没有变化，没有加入行"), noteMs);
        return;
    }
    const SequenceDocument &sequence = m_engine.sequence();
    const qsizetype start = sequence.lineStart(lines.first);
    const qsizetype after = sequence.lineStart(lines.first + lines.count);
    m_editor.select(start, (after < 0 ? sequence.length() : after) - start);
    m_editor.ensureCursorVisible();
    m_statusLine.showMessage(tr("录制了 %n 行，插在当前行之后", nullptr, int(lines.count)), noteMs);
}

void RecordActions::follow()
{
    const bool on = m_recording->recording();
    m_record->setChecked(on);
    m_drop->setEnabled(on && m_engine.playback().state() == Playback::State::Stopped);
    m_label->setVisible(on);
}
