// SPDX-License-Identifier: MIT
#pragma once

// The main window Form1 and how the parts meet.
//
//   channel panel --channelMoved--> move command --PortWriter (Silent)--> SerialPort
//   channel panel + speed + interval --Add/Modify--> SequenceDocument, shown
//     by SequenceEditor
//   SequenceDocument --Playback (Timer1)--> PortWriter (Report) --> SerialPort;
//     the editor marks each line played
//   Text3 --Send--> PortWriter (Report) --> SerialPort
//   ConnectControls: Connect/Disconnect from the port's open state; the port box, the
//     Settings button and the settings dialog's port row follow its stateChanged;
//     a lost device stops playback before the operator is told
//   cmd.txt: SequenceStore loads it at start-up and saves it when the window is
//     closed, on 保存 and on a signal; SequenceStoreQuestions asks the operator
//
// Everything runs on the GUI thread. Setting a control's value from code runs
// its handler at once; the slider/box mirrors and the line picking rely on it.
//
// Around the client area of fixed size: a menu bar (sequence, playback) above
// and a status line below; on a screen too small for it the client area scrolls.
//
// Ownership: the window owns the port and the controllers (ConnectControls, the
// write rule, SequenceCommands, Playback) as members, declared so that each is
// destroyed before what it refers to. The widgets, Timer1 and the two dialogs
// are Qt children of the window and outlive the controllers. The children that
// refer to the controllers or cmd.txt (the menu bar with its actions, the status
// line, the workspace) are Qt children too, but held by the last members, so
// they go first. The sequence store refers only to the editor, through the
// window, and to nothing that it outlives.

#include "profileui.h"
#include "core/sentposejournal.h"
#include "core/sequencedocument.h"
#include "app/portdiscovery.h"
#include "sequence/playbackclock.h"
#include "sequencefilemenu.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class ChannelPanel;
class ChannelSetupDialog;
class ConnectControls;
class InputDialog;
class LineHighlighter;
class Notifier;
class Playback;
class PortComboBox;
class PortSettingsDialog;
class PortWriter;
class StatusLine;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QScrollBar;
class QTimer;
class SequenceCommands;
class SequenceEditor;
class SequenceLoader;
class SequenceStore;
class SequenceStoreQuestions;
class SerialPort;
class TerminationSignals;
class WorkspaceWindow;

class MainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    struct Services {
        std::unique_ptr<SerialPort> port; // handed to the window, which owns it from then on
        Notifier *notifier = nullptr;
        PortEnumerator enumeratePorts;
        QString sequencePath; // cmd.txt
        SequenceFileMenu::Chooser chooseFile = SequenceFileMenu::fileDialogs();
        // kill, logout, Ctrl+C: handled from the window's first moment, its
        // start-up questions included. May be null.
        TerminationSignals *endRequests = nullptr;
        // Where the last pulse sent to each channel is kept across runs.
        QString sentPosePath = SentPoseJournal::defaultPath();
    };

    // Builds the window and runs its start-up.
    explicit MainWindow(Services services, QWidget *parent = nullptr);
    ~MainWindow() override;

    bool portIsOpen() const;
    int defaultPulse() const { return m_defaultPulse; }

    // cmd.txt and the recovery copy. After endRequested() the window has closed,
    // or closes as soon as its start-up is done.
    SequenceStore &store() { return *m_store; }

    // The arm profile in force (arm.json beside cmd.txt): the channels' names,
    // limits and homes, and the arm's geometry; changed() follows 通道设置's 确定.
    const CurrentProfile &armProfile() const { return m_profile; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildPortGroup();
    void buildOperationsGroup();
    void buildSpeedAndInterval();
    void buildSequenceGroups();
    void buildMenus();
    void fitToScreen();
    void wire();
    void startUp();

    // 回到初始姿态: every ticked channel glides to its home pulse.
    void glideHome();
    // Glides to `pose`; once the glide has gone out, the channel panel shows
    // where it leads (its columns ticked, as load pose does) without sending
    // each channel again.
    void glideAndShow(const std::map<int, int> &pose);
    void sendMove(int channel);
    void send();
    void openPortSettings();
    void openInput();
    void openChannelSetup();
    void exitWithoutSaving();
    void loadPose();
    void openWorkspace();
    QString makeSequenceLine() const;

    Notifier &m_notifier;
    const PortEnumerator m_enumeratePorts;
    const std::unique_ptr<SerialPort> m_port;
    const std::unique_ptr<SentPoseJournal> m_journal; // hears what leaves through m_port
    const std::unique_ptr<SequenceStore> m_store;
    const std::unique_ptr<SequenceStoreQuestions> m_storeQuestions;
    const SequenceFileMenu::Chooser m_chooseFile;
    // The sequence the editor shows and playback plays.
    SequenceDocument m_sequence;
    CurrentProfile m_profile;
    std::unique_ptr<SequenceLoader> m_loader; // goes before the document it fills
    SteadyPlaybackClock m_clock;
    int m_defaultPulse = 0;
    bool m_exiting = false;
    bool m_started = false;
    bool m_showingGlide = false; // the panel follows a glide: nothing to send

    // Controls (children of the window). m_client holds the controls in their
    // fixed layout; the menu bar and the status line are around it.
    QWidget *m_client = nullptr;
    PortComboBox *m_portBox = nullptr;
    QPushButton *m_connectButton = nullptr;
    QPushButton *m_settingsButton = nullptr;
    QPushButton *m_resetButton = nullptr;
    QPushButton *m_addButton = nullptr;
    QPushButton *m_modifyButton = nullptr;
    QPushButton *m_insertButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_exitButton = nullptr;
    QPushButton *m_runButton = nullptr;
    QPushButton *m_sendButton = nullptr;
    ChannelPanel *m_channels = nullptr;
    QLineEdit *m_speed = nullptr;
    QLineEdit *m_interval = nullptr;
    QScrollBar *m_intervalSlider = nullptr;
    SequenceEditor *m_editor = nullptr;
    LineHighlighter *m_highlighter = nullptr;
    QLineEdit *m_manualCommand = nullptr;
    QTimer *m_playbackTimer = nullptr;
    QPointer<PortSettingsDialog> m_portSettings;
    QPointer<InputDialog> m_input;
    QPointer<ChannelSetupDialog> m_channelSetupDialog;

    // Controllers, destroyed in reverse order: playback first, the port last.
    std::unique_ptr<ConnectControls> m_connectControls;
    std::unique_ptr<PortWriter> m_writer;
    std::unique_ptr<SequenceCommands> m_commands;
    std::unique_ptr<QtPlaybackTimer> m_timer1;
    std::unique_ptr<Playback> m_playback;

    // Around the client area, referring to the controllers: they go first.
    std::unique_ptr<QMenuBar> m_menuBar;
    std::unique_ptr<StatusLine> m_statusLine;
    std::unique_ptr<WorkspaceWindow> m_workspace;
};
