// SPDX-License-Identifier: MIT
#pragma once

#include "app/mainwindow.h"
#include "core/sentposejournal.h"
#include "engine/engine.h"

// The program as main() puts it together: the engine first, then the main
// window on it; the window goes first at the end.
class Program
{
public:
    struct Services {
        std::unique_ptr<SerialPort> port; // owned by the engine from then on
        Notifier *notifier = nullptr;
        PortEnumerator enumeratePorts;
        QString sequencePath; // cmd.txt
        SequenceFileMenu::Chooser chooseFile = SequenceFileMenu::fileDialogs();
        TerminationSignals *endRequests = nullptr;
        // Where the last pulse sent to each channel is kept across runs.
        QString sentPosePath = SentPoseJournal::defaultPath();
        // The time the engine runs on and playback's timer; none: the machine's.
        Clock *clock = nullptr;
        OneShotTimer *playbackTimer = nullptr;
    };

    explicit Program(Services services);

    Engine &engine() { return m_engine; }
    MainWindow &window() { return m_window; }

private:
    Engine m_engine;
    MainWindow m_window;
};
