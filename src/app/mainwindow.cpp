// SPDX-License-Identifier: MIT
#include "mainwindow.h"

#include "armlink.h"
#include "channelpanel.h"
#include "channelsetupdialog.h"
#include "editmenu.h"
#include "common/notifier.h"
#include "core/numbers.h"
#include "core/portnumber.h"
#include "common/onelinebox.h"
#include "common/uilook.h"
#include "app/connectcontrols.h"
#include "app/portsettingsdialog.h"
#include "link/serialport.h"
#include "link/portwriter.h"
#include "core/sequenceloader.h"
#include "core/sequencestore.h"
#include "core/recoverycopy.h"
#include "sequence/inputdialog.h"
#include "sequence/linehighlighter.h"
#include "sequence/playback.h"
#include "sequence/playbackview.h"
#include "sequence/sequencecommands.h"
#include "sequence/sequenceeditor.h"
#include "core/sequenceline.h"
#include "core/settingsstring.h"
#include "languagemenu.h"
#include "sequencestoreui.h"
#include "translations.h"
#include "playbackactions.h"
#include "screenfit.h"
#include "startvalues.h"
#include "statusline.h"
#include "motionsettings.h"
#include "core/glidepose.h"
#include "terminationsignals.h"
#include "workspace/workspacewindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>

namespace {

QPushButton *makeButton(const QString &caption, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

QGroupBox *makeFrame(const QString &caption, const QString &name, QWidget *parent)
{
    auto *frame = new QGroupBox(caption, parent);
    frame->setObjectName(name);
    return frame;
}

// Shows a modeless dialog, or brings the one already open to the front.
void bringToFront(QWidget &dialog)
{
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
}

} // namespace

MainWindow::MainWindow(Services services, QWidget *parent)
    : QMainWindow(parent),
      m_notifier(*services.notifier),
      m_enumeratePorts(std::move(services.enumeratePorts)),
      m_port(std::move(services.port)),
      m_journal(std::make_unique<SentPoseJournal>(services.sentPosePath)),
      m_store(std::make_unique<SequenceStore>(services.sequencePath, RecoveryCopy::defaultDelay)),
      m_storeQuestions(std::make_unique<SequenceStoreQuestions>(m_notifier, *this)),
      m_chooseFile(std::move(services.chooseFile))
{
    if (services.endRequests)
        connect(services.endRequests, &TerminationSignals::received, m_store.get(), &SequenceStore::endUnattended);
    // A question open at the signal ends as its safe answer; the window closes
    // as soon as it stands.
    connect(m_store.get(), &SequenceStore::endRequestedNow, this, [this] {
        sequencestoreui::closeOpenQuestions();
        if (m_started)
            close();
    });
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(sequencestoreui::windowTitle(*m_store));
    connect(m_store.get(), &SequenceStore::namesChanged, this,
            [this] { setWindowTitle(sequencestoreui::windowTitle(*m_store)); });
    setFont(uilook::captionFont());

    m_client = new QWidget;
    m_client->setObjectName(QStringLiteral("clientArea"));
    m_client->setFixedSize(uilook::px(13590), uilook::px(10305));
    QPalette background = m_client->palette();
    background.setColor(QPalette::Window, QColor(192, 192, 255));
    m_client->setPalette(background);
    m_client->setAutoFillBackground(true);

    buildPortGroup();
    buildOperationsGroup();
    buildSpeedAndInterval();
    const armprofile::Reading profile = m_profile.load(armprofile::pathFor(services.sequencePath));
    if (const std::optional<Message> problems = profileui::problemsMessage(m_profile.path(), profile.problems))
        m_notifier.show(this, *problems);
    m_channels = new ChannelPanel(m_profile.channels(), m_client);
    uilook::place(*m_channels, 3360, 120, 10095, 6375);
    buildSequenceGroups();
    m_playbackTimer = new QTimer(this);
    m_playbackTimer->setObjectName(QStringLiteral("Timer1"));
    m_timer1 = std::make_unique<QtPlaybackTimer>(*m_playbackTimer);
    wire();
    buildMenus();
    fitToScreen();
    startUp();
    // What an earlier run sent last to the port the box shows: shown (the
    // workspace's arm stands there), never sent at start.
    const SentPoseJournal::Loading sentPoses = m_journal->load(portNumberFromText(m_portBox->currentText()));
    if (const std::optional<QDateTime> sentAt = m_journal->lastSentAt())
        m_statusLine->showLastSentPose(*sentAt);
    else
        m_statusLine->showSentPoseNotRead(sentPoses);
    m_started = true;
    if (m_store->endRequested())
        close();
}

MainWindow::~MainWindow() = default;

bool MainWindow::portIsOpen() const
{
    return m_connectControls->portIsOpen();
}

void MainWindow::buildPortGroup()
{
    QGroupBox *frame = makeFrame(tr("端口"), QStringLiteral("Frame1"), m_client);
    uilook::place(*frame, 120, 120, 3120, 1260);

    m_portBox = new PortComboBox(m_enumeratePorts, frame);
    m_portBox->setObjectName(QStringLiteral("Combo1"));
    uilook::place(*m_portBox, 120, 480, 1800, 330);

    // The caption is the connection's: ConnectControls sets it.
    m_connectButton = makeButton({}, QStringLiteral("Command3"), frame);
    uilook::place(*m_connectButton, 2040, 300, 960, 405);
    m_settingsButton = makeButton(tr("设置"), QStringLiteral("Command4"), frame);
    uilook::place(*m_settingsButton, 2040, 765, 960, 405);
}

void MainWindow::buildOperationsGroup()
{
    QGroupBox *frame = makeFrame(tr("操作"), QStringLiteral("Frame3"), m_client);
    uilook::place(*frame, 120, 1500, 3120, 4200);

    struct Button {
        const char *caption;
        const char *name;
        QPushButton *MainWindow::*member;
    };
    const Button buttons[] = {
        {QT_TR_NOOP("复位"), "Command1", &MainWindow::m_resetButton},
        {QT_TR_NOOP("添加"), "Command2", &MainWindow::m_addButton},
        {QT_TR_NOOP("修改"), "Command5", &MainWindow::m_modifyButton},
        {QT_TR_NOOP("插入"), "Command9", &MainWindow::m_insertButton},
        {QT_TR_NOOP("删除"), "Command6", &MainWindow::m_deleteButton},
        {QT_TR_NOOP("设置"), "Command7", nullptr},
        {QT_TR_NOOP("退出"), "ExitCommand", &MainWindow::m_exitButton},
    };
    int top = 360;
    for (const Button &entry : buttons) {
        QPushButton *button = makeButton(tr(entry.caption), QString::fromLatin1(entry.name), frame);
        if (!entry.member) {
            // A second "设置" with no behaviour of its own: kept, but hidden, and
            // the column closes up over it.
            button->setVisible(false);
            continue;
        }
        this->*entry.member = button;
        uilook::place(*button, 780, top, 1560, 435);
        top += 540;
    }
}

void MainWindow::buildSpeedAndInterval()
{
    auto *speedLabel = new QLabel(tr("速度调节"), m_client);
    speedLabel->setObjectName(QStringLiteral("Label4"));
    uilook::place(*speedLabel, 120, 5880, 1200, 300);
    m_speed = new QLineEdit(QString::fromUtf16(startvalues::speed), m_client);
    m_speed->setObjectName(QStringLiteral("speedinput"));
    configureOneLineBox(*m_speed);
    limitOneLineBox(*m_speed, ChannelPanel::speedLimit,
                    tr("速度调节最多 %1 个字符，多出的输入没有被接受。").arg(ChannelPanel::speedLimit));
    uilook::place(*m_speed, 1440, 5820, 1800, 360);

    auto *intervalLabel = new QLabel(tr("间隔时间"), m_client);
    intervalLabel->setObjectName(QStringLiteral("Label2"));
    uilook::place(*intervalLabel, 120, 6420, 1200, 300);
    m_interval = new QLineEdit(m_client);
    m_interval->setObjectName(QStringLiteral("Text2"));
    configureOneLineBox(*m_interval);
    uilook::place(*m_interval, 1440, 6360, 1800, 360);

    m_intervalSlider = new QScrollBar(Qt::Horizontal, m_client);
    m_intervalSlider->setObjectName(QStringLiteral("HScroll1"));
    m_intervalSlider->setRange(startvalues::intervalMinimum, startvalues::intervalMaximum);
    m_intervalSlider->setSingleStep(1);
    m_intervalSlider->setPageStep(100);
    m_intervalSlider->setValue(startvalues::intervalMinimum);
    uilook::place(*m_intervalSlider, 120, 6840, 3120, 285);

    m_runButton = makeButton(tr("运行"), QStringLiteral("RunCommand"), m_client);
    uilook::place(*m_runButton, 120, 7380, 1500, 495);
    QPushButton *save = makeButton(tr("保存"), QStringLiteral("SaveCommand"), m_client);
    uilook::place(*save, 1740, 7380, 1500, 495);
    // The sequence is saved when the window is closed; this button does nothing.
    save->setEnabled(false);
}

void MainWindow::buildSequenceGroups()
{
    QGroupBox *library = makeFrame(tr("指令库"), QStringLiteral("Frame4"), m_client);
    uilook::place(*library, 3360, 6600, 10095, 2310);
    m_editor = new SequenceEditor(m_sequence, library);
    m_editor->setObjectName(QStringLiteral("RichTextBox1"));
    m_editor->setFont(uilook::sequenceFont());
    // Display only: marks lines that will not play as they read, go out held,
    // or cannot keep their time.
    m_highlighter = new LineHighlighter(*m_editor);
    m_highlighter->setLimits(m_profile.channels());
    uilook::place(*m_editor, 120, 300, 9855, 1890);

    QGroupBox *manual = makeFrame(tr("手输指令"), QStringLiteral("Frame5"), m_client);
    uilook::place(*manual, 3360, 9000, 10095, 1200);
    m_manualCommand = new QLineEdit(manual);
    m_manualCommand->setObjectName(QStringLiteral("Text3"));
    configureOneLineBox(*m_manualCommand);
    uilook::place(*m_manualCommand, 120, 420, 8400, 375);
    m_sendButton = makeButton(tr("发送"), QStringLiteral("Command8"), manual);
    uilook::place(*m_sendButton, 8700, 360, 1215, 495);
}

void MainWindow::buildMenus()
{
    m_menuBar = std::make_unique<QMenuBar>();
    setMenuBar(m_menuBar.get());
    QMenu *file = m_menuBar->addMenu(tr("文件(&F)"));
    file->setObjectName(QStringLiteral("fileMenu"));
    (new SequenceFileMenu(*file, *m_editor, *m_store, m_notifier, m_chooseFile, this))->carryProfile(m_profile);
    QMenu *edit = m_menuBar->addMenu(tr("编辑(&E)"));
    edit->setObjectName(QStringLiteral("editMenu"));
    new EditMenu(*edit, *m_editor);

    QMenu *sequence = m_menuBar->addMenu(tr("序列(&Q)"));
    sequence->setObjectName(QStringLiteral("sequenceMenu"));
    const struct {
        const char *text;
        QKeySequence shortcut;
        QPushButton *button;
    } sequenceActions[] = {
        {QT_TR_NOOP("添加"), QKeySequence(Qt::CTRL | Qt::Key_Return), m_addButton},
        {QT_TR_NOOP("修改"), QKeySequence(Qt::CTRL | Qt::Key_E), m_modifyButton},
        {QT_TR_NOOP("删除"), QKeySequence(Qt::CTRL | Qt::Key_D), m_deleteButton},
        {QT_TR_NOOP("插入…"), QKeySequence(Qt::CTRL | Qt::Key_I), m_insertButton},
        {QT_TR_NOOP("复位"), QKeySequence(), m_resetButton},
    };
    for (const auto &entry : sequenceActions) {
        QAction *action = sequence->addAction(tr(entry.text));
        action->setShortcut(entry.shortcut);
        // The same path as the button's own click.
        connect(action, &QAction::triggered, entry.button, &QPushButton::clicked);
    }
    QAction *loadPose = sequence->addAction(tr("载入姿态"));
    loadPose->setObjectName(QStringLiteral("loadPoseAction"));
    loadPose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(loadPose, &QAction::triggered, this, &MainWindow::loadPose);

    QMenu *playback = m_menuBar->addMenu(tr("播放(&P)"));
    playback->setObjectName(QStringLiteral("playbackMenu"));
    auto *playbackActions = new PlaybackActions(*m_playback, *m_editor, *playback);
    connect(playbackActions->home(), &QAction::triggered, this, &MainWindow::glideHome);
    connect(playbackActions->lastPose(), &QAction::triggered, this, [this] { glideAndShow(m_journal->pose()); });
    const auto followGlides = [this, playbackActions] {
        playbackActions->followGlides(portIsOpen(), !m_journal->isEmpty());
    };
    connect(m_connectControls.get(), &ConnectControls::stateChanged, playbackActions, followGlides);
    connect(m_journal.get(), &SentPoseJournal::poseChanged, playbackActions, followGlides);
    QMenu *settings = m_menuBar->addMenu(tr("设置(&S)"));
    settings->setObjectName(QStringLiteral("settingsMenu"));
    QAction *channelSetup = settings->addAction(tr("通道设置…"));
    channelSetup->setObjectName(QStringLiteral("channelSetupAction"));
    connect(channelSetup, &QAction::triggered, this, &MainWindow::openChannelSetup);
    new MotionSettings(*m_playback, *settings, *this);
    QMenu *view = m_menuBar->addMenu(tr("视图(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    QAction *workspace = view->addAction(tr("动作工作台"));
    workspace->setObjectName(QStringLiteral("workspaceAction"));
    workspace->setShortcut(QKeySequence(Qt::Key_F2));
    connect(workspace, &QAction::triggered, this, &MainWindow::openWorkspace);
    new LanguageMenu(*m_menuBar, translations::installed(), m_notifier, this);

    m_statusLine = std::make_unique<StatusLine>(*m_port, *m_playback, this);
    setStatusBar(m_statusLine.get());
    m_statusLine->addEmergencyStop(*playbackActions->emergencyStop());
    connect(m_connectControls.get(), &ConnectControls::stateChanged, m_statusLine.get(), &StatusLine::showConnection);
    connect(m_connectControls.get(), &ConnectControls::connectFailed, m_statusLine.get(),
            &StatusLine::showConnectFailure);
    connect(m_playback.get(), &Playback::statusChanged, m_statusLine.get(), &StatusLine::showPlayback);
    connect(m_journal.get(), &SentPoseJournal::saveFailed, m_statusLine.get(), &StatusLine::showSentPoseNotSaved);
    m_statusLine->followEdits(*m_editor);
    connect(m_addButton, &QPushButton::clicked, m_statusLine.get(), [this] {
        if (m_channels->tickedChannels().isEmpty())
            m_statusLine->showNothingTicked();
    });
}

void MainWindow::fitToScreen()
{
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("clientScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_client);
    setCentralWidget(scroll);

    // The client area keeps its size; the window is that plus the menu bar and
    // the status line. On a smaller screen it is fitted in.
    scroll->setMinimumSize(m_client->size());
    setFixedSize(minimumSizeHint());
    if (screen() && !screen()->availableGeometry().contains(QRect(QPoint(), size())))
        fitFrameInto(*this, *m_client, screen()->availableGeometry(), {});
}

void MainWindow::wire()
{
    m_connectControls =
        std::make_unique<ConnectControls>(*m_port, m_notifier, *m_connectButton, *m_portBox, *m_settingsButton, this);
    // The board on the port just opened has a journal of its own; taken before
    // anything reads it or is sent.
    connect(m_connectControls.get(), &ConnectControls::stateChanged, m_journal.get(), [this](bool connected) {
        if (connected)
            m_journal->load(m_port->commPort());
    });
    m_writer = std::make_unique<PortWriter>(*m_port, [this] { m_notifier.show(this, messages::portNotOpen()); });
    m_port->setFilter(profileui::limitsFilter(m_profile, [this](int count, const QString &last) {
        if (m_statusLine)
            m_statusLine->addClamps(count, last);
    }));
    connect(&m_profile, &CurrentProfile::changed, this, [this] {
        m_channels->followSetup();
        m_editor->viewport()->update();
    });
    connect(m_settingsButton, &QPushButton::clicked, this, &MainWindow::openPortSettings);
    connect(m_port.get(), &SerialPort::notice, this, [this](const PortNotice &notice) {
        m_notifier.show(this, {Message::Icon::Warning, tr("串口"), notice.describe()});
    });

    connect(m_channels, &ChannelPanel::channelMoved, this, &MainWindow::sendMove);
    connect(m_port.get(), &SerialPort::commandSent, m_journal.get(),
            [this](const QString &command) { m_journal->sent(command, QDateTime::currentDateTimeUtc()); });
    connect(m_resetButton, &QPushButton::clicked, this, [this] { m_channels->reset(m_defaultPulse); });

    connect(m_intervalSlider, &QScrollBar::valueChanged, this,
            [this](int value) { m_interval->setText(QString::number(value)); });
    connect(m_interval, &QLineEdit::textChanged, this, [this](const QString &text) {
        const auto value = numbers::strictInt16(text);
        if (value && *value >= startvalues::intervalMinimum && *value <= startvalues::intervalMaximum)
            m_intervalSlider->setValue(*value);
    });

    m_commands = std::make_unique<SequenceCommands>(
        *m_editor, m_notifier, [this] { return makeSequenceLine(); }, this);
    connect(m_addButton, &QPushButton::clicked, m_commands.get(), &SequenceCommands::add);
    connect(m_modifyButton, &QPushButton::clicked, m_commands.get(), &SequenceCommands::modify);
    connect(m_deleteButton, &QPushButton::clicked, m_commands.get(), &SequenceCommands::remove);
    connect(m_insertButton, &QPushButton::clicked, this, &MainWindow::openInput);

    m_playback = std::make_unique<Playback>(m_sequence, *m_timer1, m_clock, *m_writer);
    showPlaybackIn(*m_editor, *m_playback);
    connect(m_playback.get(), &Playback::stopped, this, [this](Playback::Ending ending) {
        if (ending == Playback::Ending::EndOfSequence)
            m_notifier.show(this, {Message::Icon::None, {}, QStringLiteral("ok")});
    });
    connect(m_runButton, &QPushButton::clicked, m_playback.get(), &Playback::run);
    // A device that is gone ends playback at once: its next tick would only add
    // "端口未打开" to the warning about the lost device.
    connect(m_connectControls.get(), &ConnectControls::deviceLost, m_playback.get(), &Playback::stopForLostDevice);
    connect(m_sendButton, &QPushButton::clicked, this, &MainWindow::send);
    // A manual command and its CR fit the port's queue at the settings in force,
    // and stay within the 64 KB that bounds every line the program makes.
    const auto limitManualCommand = [this] {
        const qsizetype limit = std::min(m_port->queueLimit(), qint64(64 * 1024)) - 1;
        limitOneLineBox(
            *m_manualCommand, limit,
            tr("手输指令最多 %1 个字符（串口在当前设置下能排队等待发送的量），多出的输入没有被接受。").arg(limit));
    };
    limitManualCommand();
    connect(m_port.get(), &SerialPort::settingsChanged, this, limitManualCommand);
    // The times on the wire that the line marks and the workspace show.
    const auto followLineRate = [this] {
        const auto parsed = settingsstring::parse(m_port->settings());
        if (const auto *line = std::get_if<settingsstring::LineSettings>(&parsed))
            m_highlighter->timeline().setLine(settingsstring::bytesPerSecond(*line));
    };
    followLineRate();
    connect(m_port.get(), &SerialPort::settingsChanged, this, followLineRate);
    connect(m_manualCommand, &QLineEdit::returnPressed, this, &MainWindow::send);
    connect(&m_sequence, &SequenceDocument::modificationChanged, this, &QWidget::setWindowModified);

    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::exitWithoutSaving);
}

void MainWindow::startUp()
{
    // A long cmd.txt comes in after the window is shown; what needs all of it
    // (Run, Save, an edit) brings in the rest first.
    m_loader = std::make_unique<SequenceLoader>(m_sequence);
    const auto showLoading = [this](bool waiting) {
        m_statusLine->showLoading(m_loader->loaded(), m_loader->total(), waiting);
    };
    connect(m_loader.get(), &SequenceLoader::progressed, this, [showLoading] { showLoading(false); });
    connect(m_loader.get(), &SequenceLoader::finishing, this, [this, showLoading] {
        showLoading(true);
        m_statusLine->repaint();
    });
    connect(m_loader.get(), &SequenceLoader::finished, m_statusLine.get(),
            [this] { m_statusLine->showLoading(0, 0, false); });
    m_store->startUp({[this] { return m_editor->text(); },
                      [this](const QString &text) {
                          m_loader->load(text);
                          m_editor->setSelectionStart(0);
                      },
                      [this] { m_sequence.setModified(false); }},
                     *m_storeQuestions);
    connect(&m_sequence, &SequenceDocument::changed, m_store.get(), &SequenceStore::textChanged);
    if (m_loader->isLoading())
        showLoading(false);

    m_defaultPulse = startvalues::homePulse;
    // portIsOpen starts false: the connection starts disconnected.
    m_channels->showValuesAndClearChecks();
    // Lists the ports and shows the first (the list is empty at this point).
    m_portBox->refresh();
    // Word wrap is off from the editor's construction on.
    m_intervalSlider->setValue(startvalues::interval);
}

void MainWindow::sendMove(int channel)
{
    if (m_showingGlide)
        return;
    m_writer->writeMove(channel, sequenceline::moveCommand({channel, m_channels->pulse(channel)}, m_speed->text()));
}

void MainWindow::glideHome()
{
    glidepose::Pose home;
    for (const sequenceline::Channel &ticked : m_channels->tickedChannels())
        home[ticked.index] = m_profile.channels().channel(ticked.index).homePulse;
    glideAndShow(home);
}

void MainWindow::glideAndShow(const std::map<int, int> &pose)
{
    if (!m_playback->glideTo(pose))
        return;
    // A move of each channel now would overtake the glide at the speed box's speed.
    const QScopedValueRollback showing(m_showingGlide, true);
    QList<sequenceline::Channel> channels;
    for (const auto &[channel, pulse] : pose)
        channels.append({channel, pulse});
    m_channels->showPose(channels);
}

void MainWindow::send()
{
    if (m_writer->write(m_manualCommand->text() + u'\r', PortWriter::WhenClosed::Report))
        m_manualCommand->clear();
}

void MainWindow::openPortSettings()
{
    if (!m_portSettings) {
        const PortSettingsDialog::Apply apply = [this](const PortChoice &choice) -> std::optional<QString> {
            const SerialResult applied = m_port->setSettings(choice.settings);
            if (!applied.ok())
                return applied.reason();
            m_port->setCommandFormat(choice.format);
            if (choice.portName)
                m_portBox->setEditText(*choice.portName);
            return std::nullopt;
        };
        m_portSettings = new PortSettingsDialog(m_port->settings(), m_port->commandFormat(), m_portBox->currentText(),
                                                m_enumeratePorts, apply, m_notifier, this);
        // A dialog left open across Connect must not change the port under the
        // open connection: its port row shows the open port until Disconnect.
        connect(m_connectControls.get(), &ConnectControls::stateChanged, m_portSettings, [this](bool connected) {
            m_portSettings->showOpenPort(connected ? std::optional(m_portBox->currentText()) : std::nullopt);
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
        m_channelSetupDialog = new ChannelSetupDialog(m_profile, m_notifier, this);
    bringToFront(*m_channelSetupDialog);
}

void MainWindow::loadPose()
{
    const SequenceCommands::Pose pose = m_commands->pickPose();
    if (!pose.loadable) {
        m_statusLine->showPoseNotLoaded(pose.line, pose.reading);
        return;
    }
    m_channels->showPose(pose.channels);
    m_interval->setText(QString::number(*pose.interval));
}

void MainWindow::openWorkspace()
{
    if (!m_workspace) {
        m_workspace =
            std::make_unique<WorkspaceWindow>(WorkspaceWindow::Parts{*m_editor, m_profile.channels(), *m_commands,
                                                                     *m_playback, m_highlighter->timeline()},
                                              this);
        new ArmLink(*m_workspace, *m_port, *m_channels, m_profile, *m_statusLine, m_journal->pose());
    }
    bringToFront(*m_workspace);
}

QString MainWindow::makeSequenceLine() const
{
    return sequenceline::build(m_intervalSlider->value(), m_channels->tickedChannels(), m_speed->text());
}

void MainWindow::exitWithoutSaving()
{
    // cmd.txt stays as it was; the edit stays in the recovery copy, for the next start.
    m_store->keepForNextStart();
    m_exiting = true;
    close();
    QCoreApplication::exit(0);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Before any question is asked: nothing more goes out while the window closes.
    m_playback->stop();
    if (!m_exiting && !m_store->saveOnClose()) {
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
