#include "mainwindow.h"

#include "channelpanel.h"
#include "common/notifier.h"
#include "common/numbers.h"
#include "common/onelinebox.h"
#include "common/uilook.h"
#include "link/connection.h"
#include "link/portsettingsdialog.h"
#include "link/serialport.h"
#include "link/writerule.h"
#include "sequence/inputdialog.h"
#include "sequence/playback.h"
#include "sequence/sequencecommands.h"
#include "sequence/sequenceeditor.h"
#include "sequence/sequenceline.h"
#include "sequencefile.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextDocument>

namespace {

constexpr int intervalMinimum = 100;
constexpr int intervalMaximum = 10000;

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
    : QWidget(parent),
      m_services(std::move(services)),
      m_notifier(*m_services.notifier),
      m_sequenceFile(std::make_unique<SequenceFile>(m_services.sequencePath)),
      m_writer(std::make_unique<PortWriter>(*m_services.port, m_notifier, this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("舵机控制台"));
    setFont(uilook::captionFont());
    setFixedSize(uilook::px(13590), uilook::px(10305));
    QPalette background = palette();
    background.setColor(QPalette::Window, QColor(192, 192, 255));
    setPalette(background);
    setAutoFillBackground(true);
    m_services.port->setParent(this);

    buildPortGroup();
    buildOperationsGroup();
    buildSpeedAndInterval();
    m_channels = new ChannelPanel(this);
    uilook::place(*m_channels, 3360, 120, 10095, 6375);
    buildSequenceGroups();
    wire();
    startUp();
}

MainWindow::~MainWindow() = default;

bool MainWindow::portIsOpen() const
{
    return m_connection->portIsOpen();
}

void MainWindow::buildPortGroup()
{
    QGroupBox *frame = makeFrame(QStringLiteral("端口"), QStringLiteral("Frame1"), this);
    uilook::place(*frame, 120, 120, 3120, 1260);

    m_portBox = new PortComboBox(m_services.enumeratePorts, frame);
    m_portBox->setObjectName(QStringLiteral("Combo1"));
    uilook::place(*m_portBox, 120, 480, 1800, 330);

    m_connectButton = makeButton(QStringLiteral("连接"), QStringLiteral("Command3"), frame);
    uilook::place(*m_connectButton, 2040, 300, 960, 405);
    m_settingsButton = makeButton(QStringLiteral("设置"), QStringLiteral("Command4"), frame);
    uilook::place(*m_settingsButton, 2040, 765, 960, 405);
}

void MainWindow::buildOperationsGroup()
{
    QGroupBox *frame = makeFrame(QStringLiteral("操作"), QStringLiteral("Frame3"), this);
    uilook::place(*frame, 120, 1500, 3120, 4200);

    const std::pair<const char16_t *, const char *> buttons[] = {
        {u"复位", "Command1"}, {u"添加", "Command2"}, {u"修改", "Command5"},  {u"插入", "Command9"},
        {u"删除", "Command6"}, {u"设置", "Command7"}, {u"退出", "ExitCommand"},
    };
    int top = 360;
    for (const auto &[caption, name] : buttons) {
        QPushButton *button = makeButton(QString::fromUtf16(caption), QString::fromLatin1(name), frame);
        // A second "设置" with no behaviour of its own: kept, but hidden, and the
        // column closes up over it.
        if (button->objectName() == u"Command7") {
            button->setVisible(false);
            continue;
        }
        uilook::place(*button, 780, top, 1560, 435);
        top += 540;
    }
}

void MainWindow::buildSpeedAndInterval()
{
    auto *speedLabel = new QLabel(QStringLiteral("速度调节"), this);
    speedLabel->setObjectName(QStringLiteral("Label4"));
    uilook::place(*speedLabel, 120, 5880, 1200, 300);
    m_speed = new QLineEdit(QStringLiteral("300"), this);
    m_speed->setObjectName(QStringLiteral("speedinput"));
    configureOneLineBox(*m_speed);
    uilook::place(*m_speed, 1440, 5820, 1800, 360);

    auto *intervalLabel = new QLabel(QStringLiteral("间隔时间"), this);
    intervalLabel->setObjectName(QStringLiteral("Label2"));
    uilook::place(*intervalLabel, 120, 6420, 1200, 300);
    m_interval = new QLineEdit(this);
    m_interval->setObjectName(QStringLiteral("Text2"));
    configureOneLineBox(*m_interval);
    uilook::place(*m_interval, 1440, 6360, 1800, 360);

    m_intervalSlider = new QScrollBar(Qt::Horizontal, this);
    m_intervalSlider->setObjectName(QStringLiteral("HScroll1"));
    m_intervalSlider->setRange(intervalMinimum, intervalMaximum);
    m_intervalSlider->setSingleStep(1);
    m_intervalSlider->setPageStep(100);
    m_intervalSlider->setValue(intervalMinimum);
    uilook::place(*m_intervalSlider, 120, 6840, 3120, 285);

    QPushButton *run = makeButton(QStringLiteral("运行"), QStringLiteral("RunCommand"), this);
    uilook::place(*run, 120, 7380, 1500, 495);
    QPushButton *save = makeButton(QStringLiteral("保存"), QStringLiteral("SaveCommand"), this);
    uilook::place(*save, 1740, 7380, 1500, 495);
    // The sequence is saved when the window is closed; this button does nothing.
    save->setEnabled(false);
}

void MainWindow::buildSequenceGroups()
{
    QGroupBox *library = makeFrame(QStringLiteral("指令库"), QStringLiteral("Frame4"), this);
    uilook::place(*library, 3360, 6600, 10095, 2310);
    m_editor = new SequenceEditor(library);
    m_editor->setObjectName(QStringLiteral("RichTextBox1"));
    m_editor->setFont(uilook::sequenceFont());
    uilook::place(*m_editor, 120, 300, 9855, 1890);

    QGroupBox *manual = makeFrame(QStringLiteral("手输指令"), QStringLiteral("Frame5"), this);
    uilook::place(*manual, 3360, 9000, 10095, 1200);
    m_manualCommand = new QLineEdit(manual);
    m_manualCommand->setObjectName(QStringLiteral("Text3"));
    configureOneLineBox(*m_manualCommand);
    uilook::place(*m_manualCommand, 120, 420, 8400, 375);
    QPushButton *send = makeButton(QStringLiteral("发送"), QStringLiteral("Command8"), manual);
    uilook::place(*send, 8700, 360, 1215, 495);
}

void MainWindow::wire()
{
    const auto button = [this](const char *name) {
        return findChild<QPushButton *>(QString::fromLatin1(name));
    };

    m_connection = new Connection(*m_services.port, m_notifier, *m_connectButton, *m_portBox,
                                  *m_settingsButton, this);
    connect(m_settingsButton, &QPushButton::clicked, this, &MainWindow::openPortSettings);
    connect(m_services.port.get(), &SerialPort::notice, this, [this](const QString &text) {
        m_notifier.show(this, {Message::Icon::Warning, QStringLiteral("串口"), text});
    });

    connect(m_channels, &ChannelPanel::channelMoved, this, &MainWindow::sendMove);
    connect(button("Command1"), &QPushButton::clicked, this, [this] { m_channels->reset(m_defaultPulse); });

    connect(m_intervalSlider, &QScrollBar::valueChanged, this,
            [this](int value) { m_interval->setText(QString::number(value)); });
    connect(m_interval, &QLineEdit::textChanged, this, [this](const QString &text) {
        const auto value = numbers::strictInt16(text);
        if (value && *value >= intervalMinimum && *value <= intervalMaximum)
            m_intervalSlider->setValue(*value);
    });

    m_commands = new SequenceCommands(*m_editor, m_notifier, [this] { return makeSequenceLine(); }, this);
    connect(button("Command2"), &QPushButton::clicked, m_commands, &SequenceCommands::add);
    connect(button("Command5"), &QPushButton::clicked, m_commands, &SequenceCommands::modify);
    connect(button("Command6"), &QPushButton::clicked, m_commands, &SequenceCommands::remove);
    connect(button("Command9"), &QPushButton::clicked, this, &MainWindow::openInput);

    m_playback = new Playback(*m_editor, *m_writer, m_notifier, this);
    connect(button("RunCommand"), &QPushButton::clicked, m_playback, &Playback::run);
    connect(button("Command8"), &QPushButton::clicked, this, &MainWindow::send);

    connect(button("ExitCommand"), &QPushButton::clicked, this, &MainWindow::exitWithoutSaving);
}

void MainWindow::startUp()
{
    QString error;
    if (const std::optional<QString> text = m_sequenceFile->load(&error)) {
        m_editor->setText(*text);
    } else {
        m_notifier.show(this, {Message::Icon::Warning, {},
                               QStringLiteral("无法读取动作序列文件 %1：\n%2\n\n本次运行不会覆盖该文件。")
                                   .arg(m_sequenceFile->path(), error)});
    }
    m_editor->document()->setModified(false);

    m_defaultPulse = 1500;
    // portIsOpen starts false: the connection starts disconnected.
    m_channels->showValuesAndClearChecks();
    // Lists the ports and shows the first (the list is empty at this point).
    m_portBox->refresh();
    // Word wrap is off from the editor's construction on.
    m_intervalSlider->setValue(4800);
}

void MainWindow::sendMove(int channel)
{
    if (!portIsOpen())
        return;
    m_writer->write(sequenceline::moveCommand({channel, m_channels->pulse(channel)}, m_speed->text()));
}

void MainWindow::send()
{
    if (m_writer->write(m_manualCommand->text() + u'\r'))
        m_manualCommand->clear();
}

void MainWindow::openPortSettings()
{
    if (!m_portSettings) {
        const PortSettingsDialog::Apply apply = [this](const PortChoice &choice) -> std::optional<QString> {
            const SerialResult applied = m_services.port->setSettings(choice.settings);
            if (!applied.ok())
                return applied.reason();
            m_portBox->setEditText(choice.portName);
            return std::nullopt;
        };
        m_portSettings = new PortSettingsDialog(m_services.port->settings(), m_portBox->currentText(),
                                                m_services.enumeratePorts, apply, m_notifier, this);
    }
    bringToFront(*m_portSettings);
}

void MainWindow::openInput()
{
    if (!m_input)
        m_input = new InputDialog([this](const QString &text) { m_commands->appendText(text); }, this);
    bringToFront(*m_input);
}

QString MainWindow::makeSequenceLine() const
{
    return sequenceline::build(m_intervalSlider->value(), m_channels->tickedChannels(), m_speed->text());
}

void MainWindow::exitWithoutSaving()
{
    m_exiting = true;
    close();
    QCoreApplication::exit(0);
}

bool MainWindow::saveSequence()
{
    // A file that could not be read is not replaced; with nothing typed since,
    // there is nothing to keep either.
    if (!m_sequenceFile->mayOverwrite() && !m_editor->document()->isModified())
        return true;
    const std::optional<QString> error = m_sequenceFile->save(m_editor->text());
    if (!error)
        return true;
    return m_notifier.confirm(this,
                              {Message::Icon::Warning, {},
                               QStringLiteral("动作序列未能保存到 %1：\n%2\n\n仍要关闭吗？关闭后未保存的动作序列将丢失。")
                                   .arg(m_sequenceFile->path(), *error)},
                              QStringLiteral("关闭"), QStringLiteral("取消"));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_exiting && !saveSequence()) {
        event->ignore();
        return;
    }
    if (m_portSettings)
        m_portSettings->close();
    if (m_input)
        m_input->close();
    // Queued bytes get their short time to drain while the window can still
    // say what could not be sent.
    if (m_services.port->portOpen())
        (void)m_services.port->setPortOpen(false);
    event->accept();
}
