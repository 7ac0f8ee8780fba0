// SPDX-License-Identifier: MIT
#include "workspacewindow.h"

#include "common/jobprogress.h"
#include "core/posetimeline.h"
#include "core/sequencedocument.h"
#include "core/sequencecursor.h"
#include "engine/playback.h"
#include "posetablemodel.h"
#include "sequence/sequencecommands.h"
#include "timelineview.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// Lines folded in one turn of the event loop while the window is open.
constexpr qsizetype foldSlice = 1024;

// The workspace's width (px): beside the main window, within these.
constexpr int narrowestWidth = 440;
constexpr int widestWidth = 1400;
// Narrower than this, the arm view goes under the table instead of beside it:
// beside, a narrow window leaves it too small to see the arm.
constexpr int besideWidth = 1300;

// The table's edit keys: the platform's (F2, which elsewhere in the window
// opens the workspace) and Enter, on the current cell.
class EditKeys final : public QObject
{
public:
    explicit EditKeys(QTableView &table) : QObject(&table), m_table(table) { table.installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        // While a cell is edited its editor has the keys, not the table.
        if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F2) {
            event->accept(); // the table's, not the window's shortcut
            return false;
        }
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_table.currentIndex().isValid()) {
                m_table.edit(m_table.currentIndex());
                return true;
            }
        }
        return false;
    }

private:
    QTableView &m_table;
};

} // namespace

WorkspaceWindow::WorkspaceWindow(const Parts &parts, QWidget *parent)
    : QWidget(parent, Qt::Window), m_parts(parts), m_timeline(&parts.timeline)
{
    setObjectName(QStringLiteral("workspace"));
    setWindowTitle(tr("动作工作台"));

    m_model = new PoseTableModel(parts.sequence, *m_timeline, parts.setup, this);
    m_table = new QTableView;
    m_table->setObjectName(QStringLiteral("poseTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    // Every row is one line high: the view never measures a million rows.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setDefaultSectionSize(56);
    m_table->horizontalHeader()->setStretchLastSection(true);
    fitColumns();
    connect(m_model, &QAbstractItemModel::columnsInserted, this, &WorkspaceWindow::fitColumns);
    connect(m_model, &QAbstractItemModel::columnsRemoved, this, &WorkspaceWindow::fitColumns);

    m_timelineView = new TimelineView(*m_timeline);

    auto *views = new QSplitter(Qt::Vertical);
    views->addWidget(m_table);
    views->addWidget(m_timelineView);
    views->setStretchFactor(0, 3);
    views->setStretchFactor(1, 2);
    m_sides = new QSplitter(Qt::Horizontal);
    m_sides->setObjectName(QStringLiteral("workspaceSides"));
    m_sides->addWidget(views);

    m_tools = new QToolBar;
    m_stretch = m_tools->addAction(tr("拉长间隔以到位"));
    m_stretch->setObjectName(QStringLiteral("stretchToFitAction"));
    m_stretch->setToolTip(tr("把选中行的间隔拉长到舵机能到位的最短时间（取整到 10 ms）"));
    connect(m_stretch, &QAction::triggered, this, &WorkspaceWindow::stretchSelected);

    m_tableAnswer = new QLabel;
    m_tableAnswer->setObjectName(QStringLiteral("tableAnswer"));
    m_tableAnswer->setStyleSheet(QStringLiteral("color: #cc0000"));
    m_tableAnswer->setWordWrap(true);
    m_tools->addWidget(m_tableAnswer);
    makeTableEditable();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_tools);
    layout->addWidget(m_sides, 1);

    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_parts.cursor.setLine(current.row(), m_table);
            });
    connect(m_timelineView, &TimelineView::lineClicked, this,
            [this](qsizetype line) { m_parts.cursor.setLine(line, m_timelineView); });
    connect(&parts.cursor, &SequenceCursor::moved, this, &WorkspaceWindow::showLine);
    connect(&parts.playback, &Playback::linePlayed, m_timelineView, &TimelineView::setPlayhead);
    connect(&parts.playback, &Playback::stopped, m_timelineView, [this] { m_timelineView->setPlayhead(-1); });

    // The rest of the sequence is folded a slice at a time, after the first screen.
    m_fold = new QTimer(this);
    m_fold->setInterval(0);
    connect(m_fold, &QTimer::timeout, this, &WorkspaceWindow::foldSome);
    connect(m_timeline, &PoseTimeline::changedFrom, m_fold, qOverload<>(&QTimer::start));
    m_fold->start();
    showLine(parts.cursor.line(), nullptr);
    resize(900, 640);
    placeBeside(parent);
}

WorkspaceWindow::~WorkspaceWindow() = default;

void WorkspaceWindow::makeTableEditable()
{
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    new EditKeys(*m_table);
    connect(m_model, &PoseTableModel::lineEdited, this, &WorkspaceWindow::replaceLine);
    connect(m_model, &PoseTableModel::editRefused, m_tableAnswer, &QLabel::setText);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, &WorkspaceWindow::showRowMenu);
}

void WorkspaceWindow::replaceLine(qsizetype line, const QString &text)
{
    m_tableAnswer->clear();
    if (text == m_parts.sequence.lineText(line))
        return;
    // One change of the document: one step of its undo history.
    SequenceDocument::ProgramEdit edit(m_parts.sequence);
    m_parts.sequence.replaceLine(line, text);
}

void WorkspaceWindow::showRowMenu(QPoint at)
{
    const QModelIndex cell = m_table->indexAt(at);
    if (!cell.isValid())
        return;
    // The actions act on the current line: the row goes there first.
    m_table->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QMenu menu;
    for (const char *name : {"loadPoseAction", "runFromCaretAction", "duplicateLineAction", "deleteLineAction",
                             "moveLineUpAction", "moveLineDownAction"}) {
        for (QAction *action : actions()) {
            if (action->objectName() == QLatin1String(name))
                menu.addAction(action);
        }
    }
    menu.addAction(m_stretch);
    menu.exec(m_table->viewport()->mapToGlobal(at));
}

void WorkspaceWindow::placeBeside(const QWidget *window)
{
    // In the free room to the right of the main window, the screen's full
    // height, so that neither covers the other. Where that room is narrow
    // (a laptop's, or a full HD screen's), the arm view goes under the table
    // and the timeline instead of beside them; only where there is no usable room at all does
    // the workspace lie over the main window's right side.
    if (!window || !window->screen())
        return;
    const QRect screen = window->screen()->availableGeometry();
    const QRect main = window->frameGeometry();
    // The window manager's frame, taken to be as the main window's.
    const QMargins frame(window->geometry().left() - main.left(), window->geometry().top() - main.top(),
                         main.right() - window->geometry().right(), main.bottom() - window->geometry().bottom());
    const int room = screen.right() - main.right() - frame.left() - frame.right();
    const int width = std::clamp(room, narrowestWidth, widestWidth);
    stackSides(width < besideWidth);
    resize(width, screen.height() - frame.top() - frame.bottom());
    const int x = std::min(main.right() + 1, screen.right() + 1 - width - frame.left() - frame.right());
    move(std::max(x, screen.left()), screen.top());
}

void WorkspaceWindow::stackSides(bool stacked)
{
    m_sides->setOrientation(stacked ? Qt::Vertical : Qt::Horizontal);
    m_stacked = stacked;
    shareSides();
}

void WorkspaceWindow::fitColumns()
{
    // Each column as wide as its caption; the last, 检查, as wide as the
    // longest check it can show (five-digit figures), and it takes what the
    // window has to spare.
    constexpr int padding = 16;
    QHeaderView &header = *m_table->horizontalHeader();
    const QFontMetrics metrics = header.fontMetrics();
    const int last = m_model->columnCount() - 1;
    for (int column = 0; column < last; ++column) {
        const QString caption = m_model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        header.resizeSection(column,
                             std::max(header.defaultSectionSize(), metrics.horizontalAdvance(caption) + padding));
    }
    int width = 0;
    for (const auto problem : {poseline::Figures::Problem::NotAsWritten, poseline::Figures::Problem::WireTooSlow,
                               poseline::Figures::Problem::CannotArrive}) {
        poseline::Figures longest;
        longest.problem = problem;
        longest.neededMs = 99990;
        longest.interval = poseline::mostInterval;
        width = std::max(width, m_table->fontMetrics().horizontalAdvance(poseline::describe(longest)));
    }
    header.resizeSection(last, width + padding);
    shareSides();
}

void WorkspaceWindow::addTool(QAction &action)
{
    m_tools->addAction(&action);
}

void WorkspaceWindow::addArmView(QWidget *view)
{
    m_sides->addWidget(view);
    // Later resizes share 3:2, the table and the timeline first.
    m_sides->setStretchFactor(0, 3);
    m_sides->setStretchFactor(1, 2);
    shareSides();
}

void WorkspaceWindow::shareSides()
{
    // The table gets the width of all its columns, 检查 included, where the
    // window has it, and the arm view the rest, never less than it needs.
    if (!m_sides || m_sides->count() < 2)
        return;
    if (m_stacked) {
        // Stacked: the arm view takes two fifths, at least what it needs and
        // at most half; the table and the timeline the rest.
        const int room = height() - m_sides->handleWidth();
        const int armGets = std::min(room / 2, std::max(m_sides->widget(1)->sizeHint().height(), room * 2 / 5));
        m_sides->setSizes({room - armGets, armGets});
        return;
    }
    const QHeaderView &rows = *m_table->verticalHeader();
    const int tableNeeds = m_table->horizontalHeader()->length() + (rows.isHidden() ? 0 : rows.sizeHint().width())
                           + 2 * m_table->frameWidth() + m_table->verticalScrollBar()->sizeHint().width();
    const int room = width() - m_sides->handleWidth();
    const int armGets = std::max(m_sides->widget(1)->minimumSizeHint().width(), room - tableNeeds);
    m_sides->setSizes({room - armGets, armGets});
}

void WorkspaceWindow::foldSome()
{
    if (m_timeline->foldMore(foldSlice))
        m_fold->stop();
}

void WorkspaceWindow::showLine(qsizetype line, const QObject *by)
{
    if (by != m_table) {
        const QModelIndex row = m_model->index(int(line), 0);
        m_table->selectionModel()->setCurrentIndex(row,
                                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_table->scrollTo(row);
    }
    m_timelineView->setSelectedLine(line);
}

void WorkspaceWindow::stretchSelected()
{
    // From the ranges selected: a list of the rows would hold each of a million.
    const QItemSelection selected = m_table->selectionModel()->selection();
    qsizetype first = m_parts.cursor.line();
    qsizetype last = first;
    if (!selected.isEmpty()) {
        first = selected.front().top();
        last = selected.front().bottom();
        for (const QItemSelectionRange &range : selected) {
            first = std::min<qsizetype>(first, range.top());
            last = std::max<qsizetype>(last, range.bottom());
        }
    }
    // The selection goes before the work: a header over whole columns selected
    // reads every row each time it repaints, and the work repaints it often.
    m_table->selectionModel()->select(m_model->index(int(first), 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (SequenceJob *job = m_parts.commands.stretchToFit(*m_timeline, first, last))
        showJobProgress(*job, tr("正在拉长间隔……"), this);
}
