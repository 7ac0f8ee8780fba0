// SPDX-License-Identifier: MIT
#pragma once

#include "boardarmview.h"
#include "boardcommand.h"
#include "shared/armprofile.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>

class BoardSession;
class GaugeStrip;
class QLabel;
class QListWidget;
class QSpinBox;

// The board's window: the port to pick in servo-console, the 32 channel
// gauges, the arm drawn from six channels the operator chooses, and a log of
// the last commands with counters. Everything is drawn on a frame clock at the
// screen's rate from the simulated positions, however fast commands come.
class BoardWindow final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int logLength = 200;

    // `profile` is applied as applyProfile() applies it.
    explicit BoardWindow(BoardSession &session, const ArmProfile &profile = {}, QWidget *parent = nullptr);

    // Names the gauges, and sets which channel drives each joint of the arm
    // view and how its pulse turns into an angle. A joint's channel is set
    // only when the profile moves the joint: one the operator picked in the
    // window stays through a change of names or calibration.
    void applyProfile(const ArmProfile &profile);

    // Frames drawn per second from the first command received to the last.
    double frameRateWhileReceiving() const;

private:
    struct Received {
        boardcommand::Command command;
        qint64 arrivalUs;
    };

    void frame();
    void appendToLog(const Received &received);
    void showLine();

    BoardSession &m_session;
    QLabel *m_line = nullptr;
    QLabel *m_counters = nullptr;
    BoardArmView *m_arm = nullptr;
    GaugeStrip *m_gauges = nullptr;
    QListWidget *m_log = nullptr;
    std::array<QSpinBox *, BoardArmView::jointCount> m_jointChannels{};
    std::optional<ArmProfile> m_profile; // the one applied last
    QList<Received> m_pending;
    QTimer m_frameClock;
    QString m_lineText;
    qint64 m_firstCommandUs = -1;
    qint64 m_firstCommandFrames = 0;
    qint64 m_lastCommandUs = -1;
    qint64 m_lastCommandFrames = 0;
};
