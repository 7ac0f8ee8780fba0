// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class ChannelSetup;
class Playback;
class PoseTableModel;
class PoseTimeline;
class QAction;
class QLabel;
class QSplitter;
class QTableView;
class QTimer;
class QToolBar;
class SequenceCommands;
class SequenceCursor;
class SequenceDocument;
class TimelineView;

// 动作工作台: the whole sequence as poses (the table), in time (the timeline),
// and what each line can keep, beside the main window. A view of the document
// the editor shows; the table's current row and the timeline's selected line
// follow the current line, and a row or a line picked here moves it. The right
// side holds the arm view once one is added.
class WorkspaceWindow final : public QWidget
{
    Q_OBJECT

public:
    struct Parts {
        SequenceDocument &sequence;
        const ChannelSetup &setup;
        SequenceCommands &commands;
        const Playback &playback;
        PoseTimeline &timeline; // the fold of the sequence
        SequenceCursor &cursor;
    };
    // All parts outlive the window.
    explicit WorkspaceWindow(const Parts &parts, QWidget *parent = nullptr);
    ~WorkspaceWindow() override;

    // Puts `view` (an arm view, say) on the right of the table and timeline;
    // the window owns it from then on.
    void addArmView(QWidget *view);
    // Puts `action` (one of the main window's) on the toolbar too.
    void addTool(QAction &action);

    PoseTimeline &timeline() { return *m_timeline; }
    QTableView &table() { return *m_table; }
    TimelineView &timelineView() { return *m_timelineView; }
    QAction &stretchToFit() { return *m_stretch; }

private:
    // The current line moved: the table and the timeline show it.
    void showLine(qsizetype line, const QObject *by);
    void stretchSelected();
    void foldSome();
    void fitColumns();
    void shareSides();
    // Typing into the table: the edit keys, a changed line as one undo step, a
    // refusal said beside the table.
    void makeTableEditable();
    void replaceLine(qsizetype line, const QString &text);
    // The row's menu: the window's own actions for the sequence, on that row.
    void showRowMenu(QPoint at);
    void placeBeside(const QWidget *window);
    // The arm view under the table and the timeline, else beside them.
    void stackSides(bool stacked);

    Parts m_parts;
    PoseTimeline *m_timeline;
    PoseTableModel *m_model;
    QTableView *m_table;
    TimelineView *m_timelineView;
    QSplitter *m_sides = nullptr; // the table and timeline beside the arm view
    QToolBar *m_tools;
    bool m_stacked = false; // or above it
    QAction *m_stretch;
    QLabel *m_tableAnswer; // why a typed value was refused
    QTimer *m_fold;
};
