// SPDX-License-Identifier: MIT
#include "workspacewindow.h"

#include "common/jobprogress.h"
#include "core/posetimeline.h"
#include "core/sequencecursor.h"
#include "engine/playback.h"
#include "posetablemodel.h"
#include "sequence/sequencecommands.h"
#include "timelineview.h"

#include <QAction>
#include <QHeaderView>
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

} // namespace

WorkspaceWindow::WorkspaceWindow(const Parts &parts, QWidget *parent)
    : QWidget(parent, Qt::Window), m_parts(parts), m_timeline(&parts.timeline)
{
    setObjectName(QStringLiteral("workspace"));
    setWindowTitle(tr("动作工作台"));
    resize(900, 640);
    placeBeside(parent);

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
}

WorkspaceWindow::~WorkspaceWindow() = default;

void WorkspaceWindow::placeBeside(const QWidget *window)
{
    // To the right of the main window, as wide as the room there (within
    // reason), as far as the screen lets it.
    if (!window || !window->screen())
        return;
    const QRect screen = window->screen()->availableGeometry();
    const QRect main = window->frameGeometry();
    resize(std::clamp(screen.right() - main.right(), width(), 1400), height());
    const int x = std::min(main.right() + 1, screen.right() + 1 - width());
    move(std::max(x, screen.left()), std::max(main.top(), screen.top()));
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
