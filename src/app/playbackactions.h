// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class Engine;
class Playback;
class QAction;
class QMenu;

// The 播放 (playback) menu: run, run from the current line, stop, pause and
// resume, step, loop, the glides home and to the last pose sent, the playback
// speed and the emergency stop. Each action calls the engine; Run is the same
// call as the Run button. Actions are enabled only where they do something;
// the emergency stop always is, and works from any window of the program.
class PlaybackActions final : public QObject
{
    Q_OBJECT

public:
    PlaybackActions(Engine &engine, QMenu &menu);

    QAction *run() const { return m_run; }
    QAction *stop() const { return m_stop; }
    QAction *emergencyStop() const { return m_emergencyStop; }
    QAction *home() const { return m_home; }
    QAction *lastPose() const { return m_lastPose; }
    // The glides home and to the last pose sent go out at once or not at all:
    // both need an open port, and the second a pose sent before.
    void followGlides(bool portOpen, bool lastPoseKnown);

Q_SIGNALS:
    // The emergency stop has held the arm where it was.
    void armHeld();

private:
    void follow();

    Playback &m_playback;
    QAction *m_run;
    QAction *m_runFromCaret;
    QAction *m_stop;
    QAction *m_pause;
    QAction *m_step;
    QAction *m_loop;
    QAction *m_emergencyStop;
    QAction *m_home;
    QAction *m_lastPose;
};
