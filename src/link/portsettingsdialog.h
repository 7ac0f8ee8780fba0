#pragma once

#include "portdiscovery.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class Notifier;
class QComboBox;

// What the operator confirmed in the port settings dialog.
struct PortChoice {
    QString portName; // as typed or picked, unchanged
    QString settings; // baud,n,data,stop
};

// The port settings dialog: the port and its baud rate, data bits and stop bits.
// Modeless and destroyed when closed, so each opening starts afresh from the
// current settings. OK hands a PortChoice to `apply`; when that refuses it (with
// a reason), the operator is told and the dialog stays open for a correction.
class PortSettingsDialog final : public QWidget
{
    Q_OBJECT

public:
    using Apply = std::function<std::optional<QString>(const PortChoice &)>;

    PortSettingsDialog(const QString &currentSettings, const QString &portBoxText,
                       const PortEnumerator &enumerate, Apply apply, Notifier &notifier,
                       QWidget *parent = nullptr);

private:
    void ShowCurrentSettings(const QString &settings);
    void confirm();

    Apply m_apply;
    Notifier &m_notifier;
    QComboBox *m_combos[6] = {};
};
