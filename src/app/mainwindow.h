#pragma once

// The main window Form1 and how the parts meet.
//
//   channel panel --channelMoved--> move command --PortWriter--> SerialPort
//   channel panel + speed + interval --Add/Modify--> SequenceEditor
//   SequenceEditor --Playback (Timer1)--> PortWriter --> SerialPort
//   Text3 --Send--> PortWriter --> SerialPort
//   Connection: Connect/Disconnect, port box, Settings button, portIsOpen
//   cmd.txt: loaded at start-up, saved when the window is closed
//
// Everything runs on the GUI thread. Setting a control's value from code runs
// its handler at once; the slider/box mirrors and the line picking rely on it.

#include "link/portdiscovery.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class ChannelPanel;
class Connection;
class InputDialog;
class Notifier;
class Playback;
class PortComboBox;
class PortSettingsDialog;
class PortWriter;
class QLineEdit;
class QPushButton;
class QScrollBar;
class RecoveryCopy;
class SequenceCommands;
class SequenceEditor;
class SequenceFile;
class SerialPort;

class MainWindow final : public QWidget
{
    Q_OBJECT

public:
    struct Services {
        std::unique_ptr<SerialPort> port; // owned by the window
        Notifier *notifier = nullptr;
        PortEnumerator enumeratePorts;
        QString sequencePath; // cmd.txt
    };

    // Builds the window and runs its start-up.
    explicit MainWindow(Services services, QWidget *parent = nullptr);
    ~MainWindow() override;

    bool portIsOpen() const;
    int defaultPulse() const { return m_defaultPulse; }

    // Closes the window for a program that is asked to end (a signal): the
    // sequence is saved without questions, and what cannot be saved is kept in
    // the recovery copy and reported on standard error.
    void closeWithoutQuestions();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPortGroup();
    void buildOperationsGroup();
    void buildSpeedAndInterval();
    void buildSequenceGroups();
    void wire();
    void startUp();

    void sendMove(int channel);
    void send();
    void openPortSettings();
    void openInput();
    void exitWithoutSaving();
    bool saveSequence();
    void restoreRecoveryCopy();
    void keepInRecoveryCopy(const QString &reason);
    QString makeSequenceLine() const;

    Services m_services;
    Notifier &m_notifier;
    std::unique_ptr<SequenceFile> m_sequenceFile;
    std::unique_ptr<PortWriter> m_writer;
    int m_defaultPulse = 1500;
    bool m_exiting = false;
    bool m_unattended = false;
    RecoveryCopy *m_recovery = nullptr;

    PortComboBox *m_portBox = nullptr;
    QPushButton *m_connectButton = nullptr;
    QPushButton *m_settingsButton = nullptr;
    ChannelPanel *m_channels = nullptr;
    QLineEdit *m_speed = nullptr;
    QLineEdit *m_interval = nullptr;
    QScrollBar *m_intervalSlider = nullptr;
    SequenceEditor *m_editor = nullptr;
    QLineEdit *m_manualCommand = nullptr;

    Connection *m_connection = nullptr;
    SequenceCommands *m_commands = nullptr;
    Playback *m_playback = nullptr;
    QPointer<PortSettingsDialog> m_portSettings;
    QPointer<InputDialog> m_input;
};
