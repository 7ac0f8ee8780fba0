// SPDX-License-Identifier: MIT
#include "mainform.h"

#include "app/portdiscovery.h"
#include "channelpanel.h"
#include "common/onelinebox.h"
#include "common/uilook.h"
#include "sequence/linehighlighter.h"
#include "sequence/sequenceeditor.h"
#include "startvalues.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

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

} // namespace

MainForm::MainForm(QWidget &clientArea, const Models &models) : client(&clientArea)
{
    client->setObjectName(QStringLiteral("clientArea"));
    client->setFixedSize(uilook::px(13590), uilook::px(10305));
    QPalette background = client->palette();
    background.setColor(QPalette::Window, QColor(192, 192, 255));
    client->setPalette(background);
    client->setAutoFillBackground(true);

    buildPortGroup(models.enumeratePorts);
    buildOperationsGroup();
    buildSpeedAndInterval();
    channels = new ChannelPanel(models.pose, models.setup, client);
    uilook::place(*channels, 3360, 120, 10095, 6375);
    buildSequenceGroups(models.sequence, models.timeline, models.setup);
}

void MainForm::buildPortGroup(const PortEnumerator &enumeratePorts)
{
    QGroupBox *frame = makeFrame(tr("端口"), QStringLiteral("Frame1"), client);
    uilook::place(*frame, 120, 120, 3120, 1260);

    portBox = new PortComboBox(enumeratePorts, frame);
    portBox->setObjectName(QStringLiteral("Combo1"));
    uilook::place(*portBox, 120, 480, 1800, 330);

    // The caption is the connection's: ConnectControls sets it.
    connectButton = makeButton({}, QStringLiteral("Command3"), frame);
    uilook::place(*connectButton, 2040, 300, 960, 405);
    settingsButton = makeButton(tr("设置"), QStringLiteral("Command4"), frame);
    uilook::place(*settingsButton, 2040, 765, 960, 405);
}

void MainForm::buildOperationsGroup()
{
    QGroupBox *frame = makeFrame(tr("操作"), QStringLiteral("Frame3"), client);
    uilook::place(*frame, 120, 1500, 3120, 4200);

    struct Button {
        const char *caption;
        const char *name;
        QPushButton *MainForm::*member;
    };
    const Button buttons[] = {
        {QT_TR_NOOP("复位"), "Command1", &MainForm::resetButton},
        {QT_TR_NOOP("添加"), "Command2", &MainForm::addButton},
        {QT_TR_NOOP("修改"), "Command5", &MainForm::modifyButton},
        {QT_TR_NOOP("插入"), "Command9", &MainForm::insertButton},
        {QT_TR_NOOP("删除"), "Command6", &MainForm::deleteButton},
        {QT_TR_NOOP("设置"), "Command7", nullptr},
        {QT_TR_NOOP("退出"), "ExitCommand", &MainForm::exitButton},
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

void MainForm::buildSpeedAndInterval()
{
    auto *speedLabel = new QLabel(tr("速度调节"), client);
    speedLabel->setObjectName(QStringLiteral("Label4"));
    uilook::place(*speedLabel, 120, 5880, 1200, 300);
    speed = new QLineEdit(QString::fromUtf16(startvalues::speed), client);
    speed->setObjectName(QStringLiteral("speedinput"));
    configureOneLineBox(*speed);
    limitOneLineBox(*speed, ChannelPanel::speedLimit,
                    tr("速度调节最多 %1 个字符，多出的输入没有被接受。").arg(ChannelPanel::speedLimit));
    uilook::place(*speed, 1440, 5820, 1800, 360);

    auto *intervalLabel = new QLabel(tr("间隔时间"), client);
    intervalLabel->setObjectName(QStringLiteral("Label2"));
    uilook::place(*intervalLabel, 120, 6420, 1200, 300);
    interval = new QLineEdit(client);
    interval->setObjectName(QStringLiteral("Text2"));
    configureOneLineBox(*interval);
    uilook::place(*interval, 1440, 6360, 1800, 360);

    intervalSlider = new QScrollBar(Qt::Horizontal, client);
    intervalSlider->setObjectName(QStringLiteral("HScroll1"));
    intervalSlider->setRange(startvalues::intervalMinimum, startvalues::intervalMaximum);
    intervalSlider->setSingleStep(1);
    intervalSlider->setPageStep(100);
    intervalSlider->setValue(startvalues::intervalMinimum);
    uilook::place(*intervalSlider, 120, 6840, 3120, 285);

    runButton = makeButton(tr("运行"), QStringLiteral("RunCommand"), client);
    uilook::place(*runButton, 120, 7380, 1500, 495);
    QPushButton *save = makeButton(tr("保存"), QStringLiteral("SaveCommand"), client);
    uilook::place(*save, 1740, 7380, 1500, 495);
    // The sequence is saved when the window is closed; this button does nothing.
    save->setEnabled(false);
}

void MainForm::buildSequenceGroups(SequenceDocument &sequence, PoseTimeline &timeline, const ChannelSetup &setup)
{
    QGroupBox *library = makeFrame(tr("指令库"), QStringLiteral("Frame4"), client);
    uilook::place(*library, 3360, 6600, 10095, 2310);
    editor = new SequenceEditor(sequence, library);
    editor->setObjectName(QStringLiteral("RichTextBox1"));
    editor->setFont(uilook::sequenceFont());
    // Display only: marks lines that will not play as they read, go out held,
    // or cannot keep their time.
    highlighter = new LineHighlighter(*editor, timeline);
    highlighter->setLimits(setup);
    uilook::place(*editor, 120, 300, 9855, 1890);

    QGroupBox *manual = makeFrame(tr("手输指令"), QStringLiteral("Frame5"), client);
    uilook::place(*manual, 3360, 9000, 10095, 1200);
    manualCommand = new QLineEdit(manual);
    manualCommand->setObjectName(QStringLiteral("Text3"));
    configureOneLineBox(*manualCommand);
    uilook::place(*manualCommand, 120, 420, 8400, 375);
    sendButton = makeButton(tr("发送"), QStringLiteral("Command8"), manual);
    uilook::place(*sendButton, 8700, 360, 1215, 495);
}
