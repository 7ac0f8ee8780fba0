// SPDX-License-Identifier: MIT
#include "statusline.h"

#include "common/elidedlabel.h"
#include "common/priorityrow.h"
#include "common/steadylabel.h"
#include "core/linecheck.h"
#include "core/portnames.h"
#include "engine/engine.h"
#include "link/serialport.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QTimer>
#include <QToolButton>

namespace {

// "COM33 (ttyUSB0)": the port number and, where it differs, the device.
QString portDescription(int number)
{
    const QString name = QStringLiteral("COM%1").arg(number);
    QString device = portnames::deviceForPort(number);
    if (device.startsWith(u"/dev/"))
        device = device.mid(5);
    return device.isEmpty() || device == name ? name : QStringLiteral("%1 (%2)").arg(name, device);
}

QString failureText(const SerialResult &failure, const SerialPort &port)
{
    const QString device = portnames::deviceForPort(port.commPort());
    switch (failure.code()) {
    case SerialResult::InvalidPortNumber:
        return StatusLine::tr("端口号无效：端口框应为 COM 加端口号，例如 COM3");
    case SerialResult::PortInUse:
        return StatusLine::tr("端口已被占用");
    case SerialResult::NoSuchPort:
        return StatusLine::tr("找不到设备 %1").arg(device);
    case SerialResult::NoPermission:
        return StatusLine::tr("没有权限打开 %1（请把用户加入 dialout 组，重新登录后再试）").arg(device);
    case SerialResult::SettingsRefused:
        return StatusLine::tr("设备不接受设置 %1：%2").arg(port.settings(), failure.reason());
    default:
        return StatusLine::tr("无法打开 %1：%2").arg(portDescription(port.commPort()), failure.reason());
    }
}

} // namespace

namespace {

// How long a passing note stays on the line.
constexpr int noteMs = 8000;

// Who keeps their room longest when the line is short of it: 0 first. The
// counters are short and change while one watches; a note may be long, and its
// whole text is a pointer's rest or the history away.
enum Rank { Fixed, Counter, Traffic, Connection, Note };

} // namespace

StatusLine::StatusLine(Engine &engine, QWidget *parent)
    : QStatusBar(parent),
      m_engine(engine),
      m_port(engine.port()),
      m_playback(engine.playback()),
      m_startedAt(QDateTime::currentDateTime()),
      m_startedAtNs(engine.clock().nowNs())
{
    setObjectName(QStringLiteral("statusLine"));
    setSizeGripEnabled(false);
    // One row of our own, the whole width of the line: QStatusBar's own row
    // cuts what does not fit.
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("statusRow"));
    m_row = new PriorityRowLayout(row);
    m_row->setContentsMargins({});
    m_row->setSpacing(12);
    addPermanentWidget(row, 1);

    m_connection = addLabel("connectionStatus", Connection);
    m_commandFormat = addLabel("commandFormatStatus", Counter);
    m_passingNote = addLabel("passingNote", Note);
    m_sequenceNote = addLabel("sequenceNote", Note, true);
    m_loading = addLabel("loadingNote", Traffic);
    m_sentPose = addLabel("sentPoseNote", Note);
    m_playbackLabel = new SteadyLabel(row);
    m_playbackLabel->setObjectName(QStringLiteral("playbackStatus"));
    m_row->addWidget(m_playbackLabel, Counter);
    m_traffic = new SteadyLabel(row);
    m_traffic->setObjectName(QStringLiteral("trafficStatus"));
    m_row->addWidget(m_traffic, Traffic);
    m_waitingMoves = addLabel("waitingMovesStatus", Counter);
    m_waitingMoves->setDetail(tr("这些通道的最新位置等线路腾出空间后发出"));
    m_clamps = addLabel("clampStatus", Counter);

    m_historyButton = new QToolButton(row);
    m_historyButton->setObjectName(QStringLiteral("statusHistoryButton"));
    m_historyButton->setArrowType(Qt::UpArrow);
    m_historyButton->setAutoRaise(true);
    m_historyButton->setToolTip(tr("最近的消息"));
    m_historyButton->setPopupMode(QToolButton::InstantPopup);
    auto *historyMenu = new QMenu(m_historyButton);
    historyMenu->setObjectName(QStringLiteral("statusHistoryMenu"));
    connect(historyMenu, &QMenu::aboutToShow, this, [this, historyMenu] { m_history.fill(*historyMenu); });
    m_historyButton->setMenu(historyMenu);
    m_row->addWidget(m_historyButton, Fixed);

    // QStatusBar keeps the passing note and its time; the label shows it.
    connect(this, &QStatusBar::messageChanged, this, [this](const QString &text) { say(*m_passingNote, text); });

    // The counters change with every write; a few refreshes a second keep a
    // fast drag from repainting the status line for each command.
    auto *refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, &StatusLine::showTraffic);
    // The age of the last pose sent goes on while it is shown.
    connect(refresh, &QTimer::timeout, this, [this] {
        if (m_lastSentAt)
            say(*m_sentPose, sentPoseAgeText(m_lastSentAt->secsTo(QDateTime::currentDateTimeUtc())), Kept::NotKept);
    });
    refresh->start(250);
    // A settings dialog left open across Connect changes the open port's line.
    connect(&m_port, &SerialPort::settingsChanged, this, [this] { say(*m_connection, connectionText()); });
    connect(&m_port, &SerialPort::commandFormatChanged, this, [this] { say(*m_commandFormat, commandFormatText()); });
    connect(&m_port, &SerialPort::commandSent, this, [this] {
        if (!m_sentPoseUntilSent)
            return;
        m_sentPoseUntilSent = false;
        m_lastSentAt.reset();
        say(*m_sentPose, {});
    });

    connect(&m_playback, &Playback::statusChanged, this, &StatusLine::showPlayback);
    connect(&engine, &Engine::clamped, this, &StatusLine::addClamps);
    // After every change of the sequence, the current line.
    connect(&engine.sequence(), &SequenceDocument::changed, this, [this] {
        const qsizetype line = m_engine.cursor().line();
        const QString text = m_engine.sequence().lineWithBreak(line).value_or(QString());
        if (linecheck::playsAsWritten(QStringView(text).chopped(text.endsWith(u'\r') ? 1 : 0)))
            clearSequenceNote();
        else
            showLineWontPlay(line, linecheck::readLine(text));
    });

    say(*m_commandFormat, commandFormatText());
    showConnection(false);
    showPlayback();
}

ElidedLabel *StatusLine::addLabel(const char *name, int rank, bool fills)
{
    auto *label = new ElidedLabel(m_row->parentWidget());
    label->setObjectName(QString::fromLatin1(name));
    label->hide();
    m_row->addWidget(label, rank, fills);
    return label;
}

void StatusLine::say(ElidedLabel &label, const QString &text, Kept kept)
{
    if (text == label.text())
        return;
    label.setText(text);
    label.setVisible(!text.isEmpty());
    if (kept == Kept::InHistory)
        m_history.add(now(), text);
}

QDateTime StatusLine::now() const
{
    return m_startedAt.addMSecs((m_engine.clock().nowNs() - m_startedAtNs) / 1'000'000);
}

void StatusLine::paintEvent(QPaintEvent * /*event*/)
{
    QPainter painter(this);
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
}

void StatusLine::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    m_history.fill(menu);
    menu.exec(event->globalPos());
}

void StatusLine::showConnection(bool connected)
{
    if (connected)
        m_failure.clear();
    say(*m_connection, connectionText());
    showTraffic();
}

void StatusLine::showConnectFailure(const SerialResult &failure)
{
    m_failure = failureText(failure, m_port);
    say(*m_connection, connectionText());
}

void StatusLine::showPlayback()
{
    const QString text = playbackText();
    // How a run ended is a note worth keeping; the counting on the way is not.
    const bool ended = m_playback.state() == Playback::State::Stopped && m_playback.ending() != Playback::Ending::None
                       && !m_playback.glidingInto();
    if (ended && text != m_playbackLabel->text())
        m_history.add(now(), text);
    m_playbackLabel->setText(text);
}

QString StatusLine::describe(const linecheck::Reading &reading)
{
    switch (reading.skipped) {
    case linecheck::Reading::Skip::TooShort:
        return tr("不足 10 个字符，不发送，沿用上一行的间隔");
    case linecheck::Reading::Skip::IntervalUnreadable:
        return tr("第 5 到 9 个字符读不出间隔，不发送，沿用上一行的间隔");
    case linecheck::Reading::Skip::None:
        break;
    }
    QString read = tr("发送 %1").arg(linecheck::escaped(reading.bytes));
    if (reading.interval > 0)
        read += tr("，之后等 %1 毫秒").arg(reading.interval);
    else if (reading.interval == 0)
        read += tr("，之后播放停止");
    else
        read += tr("，间隔 %1 无效，沿用上一行的间隔").arg(reading.interval);
    return read;
}

void StatusLine::showLineWontPlay(qsizetype line, const linecheck::Reading &reading)
{
    say(*m_sequenceNote, tr("第 %1 行不会照所写的播放：%2").arg(line + 1).arg(describe(reading)));
}

void StatusLine::showPoseNotLoaded(qsizetype line, const linecheck::Reading &reading)
{
    say(*m_sequenceNote, tr("第 %1 行不会照所写的播放，没有载入姿态：%2").arg(line + 1).arg(describe(reading)));
}

void StatusLine::showNothingTicked()
{
    say(*m_sequenceNote, tr("没有勾选任何通道：添加的行只有间隔时间"));
}

void StatusLine::clearSequenceNote()
{
    say(*m_sequenceNote, {});
}

void StatusLine::showLoading(qsizetype loaded, qsizetype total, bool waiting)
{
    if (total <= 0) {
        say(*m_loading, {}, Kept::NotKept);
        return;
    }
    const int percent = int(loaded * 100 / total);
    say(*m_loading,
        waiting ? tr("正在读入动作序列（%1%），读完后继续……").arg(percent) : tr("正在读入动作序列：%1%").arg(percent),
        Kept::NotKept);
}

QString StatusLine::loadingText() const
{
    return m_loading->text();
}

QString StatusLine::sequenceNoteText() const
{
    return m_sequenceNote->text();
}

void StatusLine::showTraffic()
{
    m_traffic->setText(trafficText());
    say(*m_waitingMoves, waitingMovesText(), Kept::NotKept);
}

QString StatusLine::connectionText() const
{
    if (m_port.portOpen())
        return StatusLine::tr("已连接 %1 %2").arg(portDescription(m_port.commPort()), m_port.settings());
    return m_failure.isEmpty() ? StatusLine::tr("未连接") : StatusLine::tr("未连接 · 连接失败：%1").arg(m_failure);
}

QString StatusLine::playbackText() const
{
    const qsizetype line = m_playback.lastPlayedLine() + 1;
    const QString loops = m_playback.isLooping() && m_playback.loopsCompleted() > 0
                              ? StatusLine::tr(" · 循环第 %1 遍").arg(m_playback.loopsCompleted() + 1)
                              : QString();
    const QString speed = m_playback.speed() != 1.0 ? StatusLine::tr(" · 速度 ×%1").arg(m_playback.speed()) : QString();
    if (const std::optional<qsizetype> gliding = m_playback.glidingInto())
        return StatusLine::tr("滑向第 %1 行的起始姿态").arg(*gliding + 1) + speed;
    switch (m_playback.state()) {
    case Playback::State::Running:
        return StatusLine::tr("播放中 第 %1/%2 行").arg(line).arg(m_playback.sequenceLength()) + loops + speed;
    case Playback::State::Paused:
        return StatusLine::tr("已暂停 第 %1/%2 行").arg(line).arg(m_playback.sequenceLength()) + loops + speed;
    case Playback::State::Stopped:
        break;
    }
    switch (m_playback.ending()) {
    case Playback::Ending::None:
        return StatusLine::tr("未播放");
    case Playback::Ending::EndOfSequence:
        return StatusLine::tr("播放结束：已到序列末尾");
    case Playback::Ending::ZeroInterval:
        return StatusLine::tr("播放停止：第 %1 行的间隔为 0").arg(line);
    case Playback::Ending::PortNotOpen:
        return StatusLine::tr("播放停止：端口未打开");
    case Playback::Ending::DeviceLost:
        return StatusLine::tr("播放停止：串口连接已中断");
    case Playback::Ending::Stopped:
        return StatusLine::tr("播放已停止（第 %1 行）").arg(line);
    }
    return {};
}

QString StatusLine::trafficText() const
{
    const SerialPort::Traffic &sent = m_port.traffic();
    QString text = StatusLine::tr("已发送 %1 字节", nullptr, pluralFormOf(sent.bytes)).arg(sent.bytes)
                   + StatusLine::tr("，%1 条指令", nullptr, pluralFormOf(sent.commands)).arg(sent.commands);
    if (const qint64 queued = m_port.queuedBytes(); queued > 0)
        text += StatusLine::tr("，待发送 %1 字节", nullptr, pluralFormOf(queued)).arg(queued);
    return text;
}

void StatusLine::addClamps(int count, const commandlimits::Clamp &clamp)
{
    const QString last =
        tr("%1：%2 → %3").arg(m_engine.profile().channels().describe(clamp.channel)).arg(clamp.asked).arg(clamp.sent);
    m_clampCount += count;
    say(*m_clamps, clampText(), Kept::NotKept);
    m_clamps->setDetail(tr("最近一次：%1").arg(last));
}

void StatusLine::showArmHeld()
{
    showMessage(tr("急停：机械臂停在当前位置"), noteMs);
}

void StatusLine::showArmGliding(qsizetype line)
{
    showMessage(tr("载入第 %1 行的姿态：机械臂正滑向它").arg(line + 1), noteMs);
}

void StatusLine::showPlaybackStoppedByDisconnect()
{
    showMessage(tr("已断开连接，播放已停止"), noteMs);
}

QString StatusLine::clampText() const
{
    return m_clampCount ? tr("已限位 %1 处").arg(m_clampCount) : QString();
}

void StatusLine::showJournal(const SentPoseJournal::Loading &loading)
{
    using Outcome = SentPoseJournal::Loading::Outcome;
    if (const std::optional<QDateTime> sentAt = m_engine.journal().lastSentAt())
        showLastSentPose(*sentAt);
    else if (loading.outcome == Outcome::Unreadable)
        showSentPoseNote(tr("读不出上次发送的姿态（%1），已忽略").arg(loading.reason), true);
    else if (loading.outcome == Outcome::Damaged)
        showSentPoseNote(tr("上次发送的姿态的记录已损坏，已忽略"), true);
    else
        // Another port's board: what the board before was sent says nothing of this one.
        showSentPoseNote({}, false);
}

void StatusLine::showLastSentPose(const QDateTime &sentAt)
{
    showSentPoseNote(sentPoseAgeText(sentAt.secsTo(QDateTime::currentDateTimeUtc())), true);
    m_lastSentAt = sentAt;
}

void StatusLine::showSentPoseNotSaved(const QString &reason)
{
    showSentPoseNote(tr("无法记下发送的姿态：%1").arg(reason), false);
}

void StatusLine::showSentPoseNote(const QString &text, bool untilSent)
{
    m_lastSentAt.reset();
    m_sentPoseUntilSent = untilSent;
    say(*m_sentPose, text);
}

QString StatusLine::sentPoseAgeText(qint64 secondsAgo)
{
    // A clock set back since then reads as just now.
    const qint64 seconds = qMax(secondsAgo, qint64(0));
    constexpr qint64 minute = 60;
    constexpr qint64 hour = 60 * minute;
    constexpr qint64 day = 24 * hour;
    QString ago;
    if (seconds < minute)
        ago = tr("%1 秒前").arg(seconds);
    else if (seconds < hour)
        ago = tr("%1 分钟前").arg(seconds / minute);
    else if (seconds < day)
        ago = tr("%1 小时前").arg(seconds / hour);
    else
        ago = tr("%1 天前").arg(seconds / day);
    return tr("上次发送的姿态：%1").arg(ago);
}

QString StatusLine::sentPoseText() const
{
    return m_sentPose->text();
}

void StatusLine::addEmergencyStop(QAction &action)
{
    auto *button = new QToolButton(m_row->parentWidget());
    button->setObjectName(QStringLiteral("emergencyStopButton"));
    button->setDefaultAction(&action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Its size is its own, whatever the texts beside it: it is the last of the
    // row and stands at the line's right end, where the hand finds it.
    button->setFixedSize(button->sizeHint().expandedTo(QSize(75, 23)));
    m_row->addWidget(button, Fixed);
    // The line's height follows its tallest widget, measured when a widget
    // joins the line itself: the row has grown since.
    reformat();
}

QString StatusLine::commandFormatText() const
{
    switch (m_port.commandFormat()) {
    case CommandFormat::Compact:
        break;
    case CommandFormat::Spaced:
        return tr("命令格式：带空格");
    }
    return {};
}

QString StatusLine::waitingMovesText() const
{
    const qsizetype waiting = m_port.deferredMoves();
    return waiting > 0 ? tr("%n 个通道等待发送", nullptr, int(waiting)) : QString();
}
