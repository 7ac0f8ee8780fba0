// SPDX-License-Identifier: MIT
#pragma once

#include "link/commandformat.h"
#include "portdiscovery.h"

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class Notifier;
class QComboBox;

// What the operator confirmed in the port settings dialog.
struct PortChoice {
    std::optional<QString> portName; // as typed or picked, unchanged; none while the row is locked
    QString settings;                // baud,n,data,stop
    CommandFormat format = CommandFormat::Compact;
};

// The port settings dialog: the port and its baud rate, data bits and stop bits,
// and below them how commands are spelt on the wire (紧凑 or 带空格). Modeless and destroyed when closed, so each
// opening starts afresh from the current settings. OK (also Enter) hands a PortChoice to `apply`; when that refuses it
// (with a reason), the operator is told and the dialog stays open for a correction. Cancel, Esc and the title bar's
// close apply nothing.
//
// While a port is open its row shows that port and cannot be changed: the line
// settings still apply to the open port, the port choice does not.
class PortSettingsDialog final : public QDialog
{
    Q_OBJECT

public:
    using Apply = std::function<std::optional<QString>(const PortChoice &)>;

    PortSettingsDialog(const QString &currentSettings, CommandFormat currentFormat, const QString &portBoxText,
                       const PortEnumerator &enumerate, Apply apply, Notifier &notifier, QWidget *parent = nullptr);

    // The open port's name locks the port row; none unlocks it.
    void showOpenPort(const std::optional<QString> &openPort);

    void accept() override;

private:
    void ShowCurrentSettings(const QString &settings);

    Apply m_apply;
    Notifier &m_notifier;
    QComboBox *m_combos[6] = {};
    QComboBox *m_format = nullptr;
};
