// SPDX-License-Identifier: MIT
#pragma once

// The main window Form1: the fixed form of controls and their bindings to the
// engine, of which every part of the window is a view.
//
//   the channel panel, the speed and interval boxes: views of the pose being
//     edited (engine.pose()), which sends every live move, once
//   the editor: a view of the sequence (engine.sequence()) and of the current
//     line (engine.cursor()); Add/Modify/Delete/Insert change the sequence
//   Run, Send, the playback menu: engine.playback(), engine.sendCommand()
//   ConnectControls: Connect/Disconnect from the port's open state
//   cmd.txt: the engine's store loads it at start-up and saves it when the
//     window is closed, on 保存 and on a signal; SequenceStoreQuestions asks
//
// Everything runs on the GUI thread. Setting a control's value from code runs
// its handler at once; the slider/box mirrors and the line picking rely on it.
// The engine outlives the window. The window's own parts are Qt children; the
// menu bar, the status line and the workspace, which refer to the rest, are
// held by the last members so they go first.

#include "app/mainform.h"
#include "app/portdiscovery.h"
#include "sequencefilemenu.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class ChannelSetupDialog;
class ConnectControls;
class CurrentProfile;
class Engine;
class InputDialog;
class Notifier;
class PortSettingsDialog;
class PuppetControls;
class RecordActions;
class StatusLine;
class QMenuBar;
class SequenceCommands;
class SequenceStore;
class SequenceStoreQuestions;
class TerminationSignals;
class WorkspaceWindow;

class MainWindow final : public QMainWindow
{
    Q_OBJECT

public:
    // What the window needs beyond the engine.
    struct Ui {
        Notifier *notifier = nullptr;
        PortEnumerator enumeratePorts;
        SequenceFileMenu::Chooser chooseFile = SequenceFileMenu::fileDialogs();
        // kill, logout, Ctrl+C: handled from the window's first moment, its
        // start-up questions included. May be null.
        TerminationSignals *endRequests = nullptr;
    };

    // Builds the window on `engine` and runs its start-up.
    MainWindow(Engine &engine, Ui ui, QWidget *parent = nullptr);
    ~MainWindow() override;

    bool portIsOpen() const;
    int defaultPulse() const { return m_defaultPulse; }
    SequenceStore &store();
    const CurrentProfile &armProfile() const;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenus();
    void fitToScreen();
    void wire();
    void startUp();

    void openPortSettings();
    void openInput();
    void openChannelSetup();
    void exitWithoutSaving();
    void loadPose();
    void openWorkspace();

    Engine &m_engine;
    Notifier &m_notifier;
    const PortEnumerator m_enumeratePorts;
    const SequenceFileMenu::Chooser m_chooseFile;
    const std::unique_ptr<SequenceStoreQuestions> m_storeQuestions;
    int m_defaultPulse = 0;
    bool m_exiting = false;
    bool m_started = false;

    // The fixed form's controls, children of the window.
    MainForm m_form;
    ConnectControls *m_connectControls = nullptr;
    SequenceCommands *m_commands = nullptr;
    QPointer<PortSettingsDialog> m_portSettings;
    QPointer<InputDialog> m_input;
    QPointer<ChannelSetupDialog> m_channelSetupDialog;
    RecordActions *m_record = nullptr;
    PuppetControls *m_puppet = nullptr;

    // Around the client area, referring to the rest: they go first.
    std::unique_ptr<QMenuBar> m_menuBar;
    std::unique_ptr<StatusLine> m_statusLine;
    std::unique_ptr<WorkspaceWindow> m_workspace;
};
