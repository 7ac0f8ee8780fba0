// SPDX-License-Identifier: MIT
#pragma once

#include "app/portdiscovery.h"

#include <QCoreApplication>

class ChannelPanel;
class ChannelSetup;
class LineHighlighter;
class PoseDraft;
class PoseTimeline;
class PortComboBox;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QWidget;
class SequenceDocument;
class SequenceEditor;

// The controls of the main window Form1 in their fixed layout: each with its
// name, caption, place and start state, as the form has them, and nothing
// more. The window binds them to the engine.
struct MainForm {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)

public:
    // What the form's views show.
    struct Models {
        const PortEnumerator &enumeratePorts;
        PoseDraft &pose;
        const ChannelSetup &setup;
        SequenceDocument &sequence;
        PoseTimeline &timeline;
    };
    // Builds every control in `client` (the client area, its size fixed).
    MainForm(QWidget &client, const Models &models);

    QWidget *client;
    PortComboBox *portBox = nullptr;
    QPushButton *connectButton = nullptr;
    QPushButton *settingsButton = nullptr;
    QPushButton *resetButton = nullptr;
    QPushButton *addButton = nullptr;
    QPushButton *modifyButton = nullptr;
    QPushButton *insertButton = nullptr;
    QPushButton *deleteButton = nullptr;
    QPushButton *exitButton = nullptr;
    QPushButton *runButton = nullptr;
    QPushButton *sendButton = nullptr;
    ChannelPanel *channels = nullptr;
    QLineEdit *speed = nullptr;
    QLineEdit *interval = nullptr;
    QScrollBar *intervalSlider = nullptr;
    SequenceEditor *editor = nullptr;
    LineHighlighter *highlighter = nullptr;
    QLineEdit *manualCommand = nullptr;

private:
    void buildPortGroup(const PortEnumerator &enumeratePorts);
    void buildOperationsGroup();
    void buildSpeedAndInterval();
    void buildSequenceGroups(SequenceDocument &sequence, PoseTimeline &timeline, const ChannelSetup &setup);
};
