// SPDX-License-Identifier: MIT
#pragma once

#include "core/armtwin.h"
#include "sequence/playbackclock.h"

#include <QObject>
#include <QPointer>

#include <memory>

class ChannelPanel;
class CurrentProfile;
class QStatusBar;
class QTimer;
class SerialPort;
class WorkspaceWindow;

namespace workspace {
class ArmView;
}

// The workspace's arm, tied to the rest of the window: the twin hears every
// command as it leaves for the port, the faint target arm follows the sliders,
// the arm takes the profile's geometry and limits, and a pose solved from the
// gripper goes onto the channel panel through its own handlers. The arm starts
// where the board was last sent (`standing`: channel → pulse), not at rest.
class ArmLink final : public QObject
{
    Q_OBJECT

public:
    ArmLink(WorkspaceWindow &workspace, SerialPort &port, ChannelPanel &channels, const CurrentProfile &profile,
            QStatusBar &statusLine, const std::map<int, int> &standing);
    ~ArmLink() override;

private:
    void followProfile();

    // The port stamps its commands on this clock.
    class MonotonicClock final : public PlaybackClock
    {
    public:
        qint64 nowNs() const override;
        void waitUntil(qint64 dueNs) override;
    };

    ChannelPanel &m_channels;
    const CurrentProfile &m_profile;
    armtwin::ArmTwin m_twin;
    MonotonicClock m_clock;
    QTimer *m_frameTimer;
    std::unique_ptr<QtPlaybackTimer> m_frames;
    workspace::ArmView *m_view;
    // The view and its fields; they refer to the twin, the clock and the frames.
    QPointer<QWidget> m_panel;
};
