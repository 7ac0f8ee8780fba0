// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class Playback;
class PoseRecording;
class QMenu;
class QWidget;

// 设置 → 运动…: how long a glide into a pose takes, and the record interval
// (how often 录制 samples the pose), kept in the program's settings and handed
// to playback and to the recording at start-up and after each change.
class MotionSettings final : public QObject
{
    Q_OBJECT

public:
    static constexpr int longestGlideMs = 10'000;

    MotionSettings(Playback &playback, PoseRecording &recording, QMenu &menu, QWidget &window);

    // The stored glide time, or the default when none (or a bad one) is stored.
    static int storedGlideMs();
    // The stored record interval, or the default when none (or a bad one) is stored.
    static int storedRecordMs();

private:
    void edit();

    Playback &m_playback;
    PoseRecording &m_recording;
    QWidget &m_window;
};
