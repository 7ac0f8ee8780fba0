// SPDX-License-Identifier: MIT
#include "mainwindow.h"

#include "app/connectcontrols.h"
#include "app/portsettingsdialog.h"
#include "armlink.h"
#include "channelpanel.h"
#include "channelsetupdialog.h"
#include "common/notifier.h"
#include "core/portnumber.h"
#include "common/onelinebox.h"
#include "common/uilook.h"
#include "core/numbers.h"
#include "editmenu.h"
#include "exportsketchaction.h"
#include "engine/engine.h"
#include "languagemenu.h"
#include "motionsettings.h"
#include "playbackactions.h"
#include "profileui.h"
#include "puppetcontrols.h"
#include "recordactions.h"
#include "screenfit.h"
#include "sequence/editorcursor.h"
#include "sequence/inputdialog.h"
#include "sequence/linehighlighter.h"
#include "sequence/playbackview.h"
#include "sequence/sequencecommands.h"
#include "sequence/sequenceeditor.h"
#include "sequencestoreui.h"
#include "startvalues.h"
#include "statusline.h"
#include "terminationsignals.h"
#include "translations.h"
#include "viewmenu.h"
#include "workspace/armview.h"
#include "workspace/workspacewindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

namespace {

// Shows a modeless dialog, or brings the one already open to the front.
void bringToFront(QWidget &dialog)
{
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

// The menus' actions that have a key, submenus' included.
QList<QAction *> keyedActions(const QList<QAction *> &actions)
{
    QList<QAction *> keyed;
    for (QAction *action : actions) {
        if (const QMenu *menu = action->menu())
            keyed += keyedActions(menu->actions());
        else if (!action->shortcut().isEmpty())
            keyed.append(action);
    }
    return keyed;
}

} // namespace

MainWindow::MainWindow(Engine &engine, Ui ui, QWidget *parent)
    : QMainWindow(parent),
      m_engine(engine),
      m_notifier(*ui.notifier),
      m_enumeratePorts(std::move(ui.enumeratePorts)),
      m_chooseFile(std::move(ui.chooseFile)),
      m_storeQuestions(std::make_unique<SequenceStoreQuestions>(m_notifier, *this)),
      m_form(*new QWidget,
             {m_enumeratePorts, engine.pose(), engine.profile().channels(), engine.sequence(), engine.timeline()})
{
    SequenceStore &sequenceStore = m_engine.store();
    if (ui.endRequests)
        connect(ui.endRequests, &TerminationSignals::received, &sequenceStore, &SequenceStore::endUnattended);
    // A question open at the signal ends as its safe answer; the window closes
    // as soon as it stands.
    connect(&sequenceStore, &SequenceStore::endRequestedNow, this, [this] {
        sequencestoreui::closeOpenQuestions();
        if (m_started)
            close();
    });
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(sequencestoreui::windowTitle(sequenceStore));
    connect(&sequenceStore, &SequenceStore::namesChanged, this,
            [this] { setWindowTitle(sequencestoreui::windowTitle(m_engine.store())); });
    setFont(uilook::captionFont());

    if (const std::optional<Message> problems =
            profileui::problemsMessage(armProfile().path(), m_engine.profileAtStart().problems))
        m_notifier.show(this, *problems);
    wire();
    buildMenus();
    fitToScreen();
    startUp();
    // What an earlier run sent last to the port the box shows: shown (the
    // workspace's arm stands there), never sent at start.
    m_statusLine->showJournal(m_engine.loadJournal(portNumberFromText(m_form.portBox->currentText())));
    m_started = true;
    if (sequenceStore.endRequested())
        close();
}

MainWindow::~MainWindow() = default;

bool MainWindow::portIsOpen() const
{
    return m_engine.port().portOpen();
}

SequenceStore &MainWindow::store()
{
    return m_engine.store();
}

const CurrentProfile &MainWindow::armProfile() const
{
    return std::as_const(m_engine).profile();
}

void MainWindow::buildMenus()
{
    Playback &playback = m_engine.playback();
    m_menuBar = std::make_unique<QMenuBar>();
    setMenuBar(m_menuBar.get());
    QMenu *file = m_menuBar->addMenu(tr("文件(&F)"));
    file->setObjectName(QStringLiteral("fileMenu"));
    (new SequenceFileMenu(*file, *m_form.editor, m_engine.store(), m_notifier, m_chooseFile, this))
        ->carryProfile(m_engine.profile());
    new ExportSketchAction(*file, m_engine, m_notifier, m_chooseFile, this);
    QMenu *edit = m_menuBar->addMenu(tr("编辑(&E)"));
    edit->setObjectName(QStringLiteral("editMenu"));
    new EditMenu(*edit, *m_form.editor);

    QMenu *sequence = m_menuBar->addMenu(tr("序列(&Q)"));
    sequence->setObjectName(QStringLiteral("sequenceMenu"));
    const struct {
        const char *text;
        QKeySequence shortcut;
        QPushButton *button;
        const char *name;
    } sequenceActions[] = {
        {QT_TR_NOOP("添加"), QKeySequence(Qt::CTRL | Qt::Key_Return), m_form.addButton, "addLineAction"},
        {QT_TR_NOOP("修改"), QKeySequence(Qt::CTRL | Qt::Key_E), m_form.modifyButton, "modifyLineAction"},
        {QT_TR_NOOP("删除"), QKeySequence(Qt::CTRL | Qt::Key_D), m_form.deleteButton, "deleteLineAction"},
        {QT_TR_NOOP("插入…"), QKeySequence(Qt::CTRL | Qt::Key_I), m_form.insertButton, "insertLineAction"},
        {QT_TR_NOOP("复位"), QKeySequence(), m_form.resetButton, "resetAction"},
    };
    for (const auto &entry : sequenceActions) {
        QAction *action = sequence->addAction(tr(entry.text));
        action->setObjectName(QLatin1String(entry.name));
        action->setShortcut(entry.shortcut);
        // The same path as the button's own click.
        connect(action, &QAction::triggered, entry.button, &QPushButton::clicked);
    }
    QAction *loadPose = sequence->addAction(tr("载入姿态"));
    loadPose->setObjectName(QStringLiteral("loadPoseAction"));
    loadPose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(loadPose, &QAction::triggered, this, &MainWindow::loadPose);

    QMenu *playbackMenu = m_menuBar->addMenu(tr("播放(&P)"));
    playbackMenu->setObjectName(QStringLiteral("playbackMenu"));
    auto *playbackActions = new PlaybackActions(m_engine, *playbackMenu);
    const auto followGlides = [this, playbackActions] {
        playbackActions->followGlides(portIsOpen(), !m_engine.journal().isEmpty());
    };
    connect(m_connectControls, &ConnectControls::stateChanged, playbackActions, followGlides);
    connect(&m_engine.journal(), &SentPoseJournal::poseChanged, playbackActions, followGlides);
    QMenu *settings = m_menuBar->addMenu(tr("设置(&S)"));
    settings->setObjectName(QStringLiteral("settingsMenu"));
    QAction *channelSetup = settings->addAction(tr("通道设置…"));
    channelSetup->setObjectName(QStringLiteral("channelSetupAction"));
    connect(channelSetup, &QAction::triggered, this, &MainWindow::openChannelSetup);
    QMenu *view = m_menuBar->addMenu(tr("视图(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    connect(new ViewMenu(*view, m_engine), &ViewMenu::workspaceAsked, this, &MainWindow::openWorkspace);
    new LanguageMenu(*m_menuBar, translations::installed(), m_notifier, this);

    m_statusLine = std::make_unique<StatusLine>(m_engine, this);
    setStatusBar(m_statusLine.get());
    m_statusLine->addEmergencyStop(*playbackActions->emergencyStop());
    connect(playbackActions, &PlaybackActions::armHeld, m_statusLine.get(), &StatusLine::showArmHeld);
    connect(m_connectControls, &ConnectControls::stateChanged, m_statusLine.get(), &StatusLine::showConnection);
    connect(m_connectControls, &ConnectControls::connectFailed, m_statusLine.get(), &StatusLine::showConnectFailure);
    connect(m_connectControls, &ConnectControls::disconnecting, m_statusLine.get(), [this] {
        if (m_engine.playback().state() == Playback::State::Stopped)
            return;
        // Nothing more of the run may go out, nor be told as a port that is not open.
        m_engine.playback().stop();
        m_statusLine->showPlaybackStoppedByDisconnect();
    });
    connect(&m_engine.journal(), &SentPoseJournal::saveFailed, m_statusLine.get(), &StatusLine::showSentPoseNotSaved);
    connect(m_form.addButton, &QPushButton::clicked, m_statusLine.get(), [this] {
        if (m_engine.pose().tickedChannels().isEmpty())
            m_statusLine->showNothingTicked();
    });

    // The puppeteer: 录制, the record interval beside the glide time, the game pad.
    m_record = new RecordActions(m_engine, *m_form.editor, *sequence, *m_statusLine);
    new MotionSettings(playback, m_record->recording(), *settings, *this);
    m_puppet = new PuppetControls(m_engine, *settings, *m_statusLine, *playbackActions->emergencyStop(), *this);
    // The same path as 添加's own click, and not while 添加 is disabled.
    connect(m_puppet, &PuppetControls::lineAsked, m_form.addButton, &QAbstractButton::click);
}

void MainWindow::fitToScreen()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("clientScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_form.client);
    setCentralWidget(scroll);

    // The client area keeps its size; the window is that plus the menu bar and
    // the status line. On a smaller screen it is fitted in.
    scroll->setMinimumSize(m_form.client->size());
    setFixedSize(minimumSizeHint());
    if (screen() && !screen()->availableGeometry().contains(QRect(QPoint(), size())))
        fitFrameInto(*this, *m_form.client, screen()->availableGeometry(), {});
}

void MainWindow::wire()
{
    SerialPort &port = m_engine.port();
    PoseDraft &pose = m_engine.pose();
    Playback &playback = m_engine.playback();
    m_connectControls =
        new ConnectControls(port, m_notifier, *m_form.connectButton, *m_form.portBox, *m_form.settingsButton, this);
    m_connectControls->setParent(this);
    // The board on the port just opened has a journal of its own; taken before
    // anything reads it or is sent, and its last pose told.
    connect(m_connectControls, &ConnectControls::stateChanged, this, [this](bool connected) {
        if (connected)
            m_statusLine->showJournal(m_engine.loadJournal(m_engine.port().commPort()));
    });
    connect(&m_engine, &Engine::portNotOpen, this, [this] { m_notifier.show(this, messages::portNotOpen()); });
    connect(&m_engine.profile(), &CurrentProfile::changed, this, [this] {
        m_form.channels->followSetup();
        m_form.editor->viewport()->update();
    });
    connect(m_form.settingsButton, &QPushButton::clicked, this, &MainWindow::openPortSettings);
    connect(&port, &SerialPort::notice, this, [this](const PortNotice &notice) {
        m_notifier.show(this, {Message::Icon::Warning, tr("串口"), notice.describe()});
    });
    connect(m_form.resetButton, &QPushButton::clicked, this, [this] { m_form.channels->reset(m_defaultPulse); });

    // The speed box and the interval are the pose's, as the sliders are.
    pose.setSpeedText(m_form.speed->text());
    connect(m_form.speed, &QLineEdit::textChanged, &pose, &PoseDraft::setSpeedText);
    connect(m_form.intervalSlider, &QScrollBar::valueChanged, this, [this](int value) {
        m_form.interval->setText(QString::number(value));
        m_engine.pose().setInterval(value);
    });
    connect(&pose, &PoseDraft::intervalChanged, m_form.intervalSlider, &QScrollBar::setValue);
    connect(m_form.interval, &QLineEdit::textChanged, this, [this](const QString &text) {
        const auto value = numbers::strictInt16(text);
        if (value && *value >= startvalues::intervalMinimum && *value <= startvalues::intervalMaximum)
            m_form.intervalSlider->setValue(*value);
    });

    m_commands = new SequenceCommands(
        *m_form.editor, m_notifier, [this] { return m_engine.pose().line(); }, this);
    m_commands->setParent(this);
    connect(m_form.addButton, &QPushButton::clicked, m_commands, &SequenceCommands::add);
    connect(m_form.modifyButton, &QPushButton::clicked, m_commands, &SequenceCommands::modify);
    connect(m_form.deleteButton, &QPushButton::clicked, m_commands, &SequenceCommands::remove);
    connect(m_form.insertButton, &QPushButton::clicked, this, &MainWindow::openInput);
    followCursor(*m_form.editor, m_engine.cursor());

    showPlaybackIn(*m_form.editor, playback);
    connect(&playback, &Playback::stopped, this, [this](Playback::Ending ending) {
        if (ending == Playback::Ending::EndOfSequence)
            m_notifier.show(this, {Message::Icon::None, {}, QStringLiteral("ok")});
    });
    connect(m_form.runButton, &QPushButton::clicked, &playback, &Playback::run);
    // A device that is gone ends playback at once: its next tick would only add
    // "端口未打开" to the warning about the lost device.
    connect(m_connectControls, &ConnectControls::deviceLost, &playback, &Playback::stopForLostDevice);
    const auto send = [this] {
        if (m_engine.sendCommand(m_form.manualCommand->text()))
            m_form.manualCommand->clear();
    };
    connect(m_form.sendButton, &QPushButton::clicked, this, send);
    connect(m_form.manualCommand, &QLineEdit::returnPressed, this, send);
    // A manual command and its CR fit the port's queue at the settings in force,
    // and stay within the 64 KB that bounds every line the program makes.
    const auto limitManualCommand = [this] {
        const qsizetype limit = std::min(m_engine.port().queueLimit(), qint64(64 * 1024)) - 1;
        limitOneLineBox(
            *m_form.manualCommand, limit,
            tr("手输指令最多 %1 个字符（串口在当前设置下能排队等待发送的量），多出的输入没有被接受。").arg(limit));
    };
    limitManualCommand();
    connect(&port, &SerialPort::settingsChanged, this, limitManualCommand);
    connect(&m_engine.sequence(), &SequenceDocument::modificationChanged, this, &QWidget::setWindowModified);

    connect(m_form.exitButton, &QPushButton::clicked, this, &MainWindow::exitWithoutSaving);
}

void MainWindow::startUp()
{
    // A long cmd.txt comes in after the window is shown; what needs all of it
    // (Run, Save, an edit) brings in the rest first.
    SequenceLoader &loader = m_engine.loader();
    const auto showLoading = [this](bool waiting) {
        const SequenceLoader &loading = m_engine.loader();
        m_statusLine->showLoading(loading.loaded(), loading.total(), waiting);
    };
    connect(&loader, &SequenceLoader::progressed, this, [showLoading] { showLoading(false); });
    connect(&loader, &SequenceLoader::finishing, this, [this, showLoading] {
        showLoading(true);
        m_statusLine->repaint();
    });
    connect(&loader, &SequenceLoader::finished, m_statusLine.get(), [this] { m_statusLine->showLoading(0, 0, false); });
    m_engine.loadSequence(*m_storeQuestions);
    m_form.editor->setSelectionStart(0);
    if (loader.isLoading())
        showLoading(false);

    m_defaultPulse = startvalues::homePulse;
    // portIsOpen starts false: the connection starts disconnected.
    m_form.channels->showValuesAndClearChecks();
    // Lists the ports and shows the first (the list is empty at this point).
    m_form.portBox->refresh();
    // Word wrap is off from the editor's construction on.
    m_form.intervalSlider->setValue(startvalues::interval);
}

void MainWindow::openPortSettings()
{
    if (!m_portSettings) {
        const PortSettingsDialog::Apply apply = [this](const PortChoice &choice) -> std::optional<QString> {
            const SerialResult applied = m_engine.port().setSettings(choice.settings);
            if (!applied.ok())
                return applied.reason();
            m_engine.port().setCommandFormat(choice.format);
            if (choice.portName)
                m_form.portBox->setEditText(*choice.portName);
            return std::nullopt;
        };
        m_portSettings =
            new PortSettingsDialog(m_engine.port().settings(), m_engine.port().commandFormat(),
                                   m_form.portBox->currentText(), m_enumeratePorts, apply, m_notifier, this);
        // A dialog left open across Connect must not change the port under the
        // open connection: its port row shows the open port until Disconnect.
        connect(m_connectControls, &ConnectControls::stateChanged, m_portSettings, [this](bool connected) {
            m_portSettings->showOpenPort(connected ? std::optional(m_form.portBox->currentText()) : std::nullopt);
        });
    }
    bringToFront(*m_portSettings);
}

void MainWindow::openInput()
{
    if (!m_input)
        m_input = new InputDialog([this](const QString &text) { m_commands->appendText(text); }, this);
    bringToFront(*m_input);
}

void MainWindow::openChannelSetup()
{
    if (!m_channelSetupDialog)
        m_channelSetupDialog = new ChannelSetupDialog(m_engine.profile(), m_notifier, this);
    bringToFront(*m_channelSetupDialog);
}

void MainWindow::loadPose()
{
    const SequenceCommands::Pose pose = m_commands->pickPose();
    if (!pose.loadable) {
        m_statusLine->showPoseNotLoaded(pose.line, pose.reading);
        return;
    }
    std::map<int, int> pulses;
    for (const sequenceline::Channel &channel : pose.channels)
        pulses[channel.index] = channel.pulse;
    // On a connected board the arm glides there, all joints together, as every glide does.
    if (portIsOpen() && m_engine.glideTo(pulses, PoseDraft::Origin::Load))
        m_statusLine->showArmGliding(pose.line);
    else
        m_engine.pose().show(pulses, PoseDraft::Origin::Load);
    m_form.interval->setText(QString::number(*pose.interval));
}

void MainWindow::openWorkspace()
{
    if (!m_workspace) {
        m_workspace = std::make_unique<WorkspaceWindow>(
            WorkspaceWindow::Parts{m_engine.sequence(), armProfile().channels(), *m_commands, m_engine.playback(),
                                   m_engine.timeline(), m_engine.cursor()},
            this);
        new ArmLink(*m_workspace, m_engine, *m_statusLine);
        m_workspace->addTool(*m_record->record());
        m_workspace->addAction(m_record->drop());
        connect(m_workspace->findChild<workspace::ArmView *>(), &workspace::ArmView::tipStepRequested, m_puppet,
                &PuppetControls::stepTip);
        // The same actions, not copies: their keys act from the workspace and
        // its table as from here, and each stays enabled or not as one.
        m_workspace->addActions(keyedActions(m_menuBar->actions()));
    }
    bringToFront(*m_workspace);
}

void MainWindow::exitWithoutSaving()
{
    // cmd.txt stays as it was; the edit stays in the recovery copy, for the next start.
    m_engine.store().keepForNextStart();
    m_exiting = true;
    close();
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Before any question is asked: nothing more goes out while the window closes.
    m_engine.playback().stop();
    // A recording under way is kept, as lines of the sequence.
    m_record->finish();
    if (!m_exiting && !m_engine.store().saveOnClose()) {
        event->ignore();
        return;
    }
    if (m_portSettings)
        m_portSettings->close();
    if (m_input)
        m_input->close();
    if (m_channelSetupDialog)
        m_channelSetupDialog->close();
    if (m_workspace)
        m_workspace->close();
    // Queued bytes get their short time to drain while the window can still
    // say what could not be sent.
    if (m_connectControls->portIsOpen())
        m_connectControls->disconnectPort();
    event->accept();
}
