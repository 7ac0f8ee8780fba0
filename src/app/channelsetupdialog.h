// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class CurrentProfile;
class Notifier;
class QLabel;
class QTableWidget;

// 通道设置: each board channel under its column caption with its name, limits
// and home, and the arm's joints, calibration and link lengths. Modeless; it
// shows the profile in force when opened. 确定 checks every cell (a value out
// of range is refused in place with the reason, and nothing is saved), asks
// before replacing a file that held more than was read, writes the profile and
// applies it; 取消 discards the edits.
class ChannelSetupDialog final : public QDialog
{
    Q_OBJECT

public:
    ChannelSetupDialog(CurrentProfile &profile, Notifier &notifier, QWidget *parent = nullptr);

    void accept() override;

    // Why the last 确定 was refused; empty when it was not.
    QString refusal() const;

private:
    void fill();
    bool refuse(QTableWidget *table, int row, int column, const QString &why);

    CurrentProfile &m_profile;
    Notifier &m_notifier;
    QTableWidget *m_channels;
    QTableWidget *m_joints;
    QTableWidget *m_links;
    QLabel *m_refusal;
};
