// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class Notifier;
class Playback;
class QMenu;
class QWidget;

// 设置 → 运动…: how long a glide into a pose takes, kept in the program's
// settings and handed to playback at start-up and after each change.
class MotionSettings final : public QObject
{
    Q_OBJECT

public:
    static constexpr int longestGlideMs = 10'000;

    MotionSettings(Playback &playback, QMenu &menu, QWidget &window);

    // The stored glide time, or the default when none (or a bad one) is stored.
    static int storedGlideMs();

private:
    void edit();

    Playback &m_playback;
    QWidget &m_window;
};
