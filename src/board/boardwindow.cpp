// SPDX-License-Identifier: MIT
#include "boardwindow.h"

#include "boardsession.h"
#include "common/uilook.h"
#include "gaugestrip.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString flagText(boardcommand::Flags flags)
{
    using boardcommand::Flag;
    static const std::pair<Flag, const char *> texts[] = {
        {Flag::UnknownChannel, QT_TRANSLATE_NOOP("BoardWindow", "未知通道")},
        {Flag::PulseOutOfRange, QT_TRANSLATE_NOOP("BoardWindow", "脉宽超出500–2500")},
        {Flag::MissingPulse, QT_TRANSLATE_NOOP("BoardWindow", "缺少P脉宽")},
        {Flag::EmptySpeed, QT_TRANSLATE_NOOP("BoardWindow", "S后无速度（按不限速）")},
        {Flag::EmptyTime, QT_TRANSLATE_NOOP("BoardWindow", "T后无时间")},
        {Flag::Junk, QT_TRANSLATE_NOOP("BoardWindow", "无法识别的字符")},
        {Flag::Overlong, QT_TRANSLATE_NOOP("BoardWindow", "行过长，已丢弃")},
        {Flag::NulByte, QT_TRANSLATE_NOOP("BoardWindow", "含空字符")},
        {Flag::NonAscii, QT_TRANSLATE_NOOP("BoardWindow", "含非ASCII字节")},
    };
    QStringList parts;
    for (const auto &[flag, text] : texts) {
        if (flags.testFlag(flag))
            parts.append(BoardWindow::tr(text));
    }
    return parts.join(u'，');
}

// Control characters and bytes outside ASCII shown as \xNN, so a line of junk
// stays one readable line.
QString printable(const QByteArray &raw)
{
    QString text;
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace

BoardWindow::BoardWindow(BoardSession &session, const ArmProfile &profile, QWidget *parent)
    : QWidget(parent), m_session(session)
{
    setObjectName(QStringLiteral("BoardWindow"));
    setWindowTitle(tr("虚拟舵机板 %1").arg(session.portName()));
    setFont(uilook::captionFont());

    auto *layout = new QVBoxLayout(this);
    auto *port = new QLabel(tr("端口：%1（虚拟舵机板）").arg(session.portName()), this);
    port->setObjectName(QStringLiteral("portName"));
    QFont big = font();
    big.setPointSize(14);
    big.setBold(true);
    port->setFont(big);
    port->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_line = new QLabel(this);
    m_counters = new QLabel(this);
    m_counters->setObjectName(QStringLiteral("counters"));
    auto *header = new QHBoxLayout;
    header->addWidget(port);
    header->addSpacing(16);
    header->addWidget(m_line, 1);
    header->addWidget(m_counters);
    layout->addLayout(header);

    auto *middle = new QHBoxLayout;
    auto *armBox = new QGroupBox(tr("机械臂"), this);
    auto *armLayout = new QVBoxLayout(armBox);
    m_arm = new BoardArmView(armBox);
    armLayout->addWidget(m_arm, 1);
    auto *mapping = new QGridLayout;
    // Base turn, shoulder, elbow, wrist, wrist turn and gripper are driven by
    // the profile's joint channels: by default those under servo-console's
    // first six columns.
    for (int joint = 0; joint < BoardArmView::jointCount; ++joint) {
        auto *spin = new QSpinBox(armBox);
        spin->setObjectName(QStringLiteral("jointChannel_%1").arg(joint));
        spin->setRange(0, boardcommand::channelCount - 1);
        spin->setPrefix(QStringLiteral("#"));
        m_jointChannels[size_t(joint)] = spin;
        mapping->addWidget(new QLabel(BoardArmView::jointName(joint), armBox), joint / 3, (joint % 3) * 2);
        mapping->addWidget(spin, joint / 3, (joint % 3) * 2 + 1);
        connect(spin, &QSpinBox::valueChanged, this, [this] { frame(); });
    }
    armLayout->addLayout(mapping);
    middle->addWidget(armBox, 3);

    auto *logBox = new QGroupBox(tr("收到的指令（到达时间，红色为有问题的行）"), this);
    auto *logLayout = new QVBoxLayout(logBox);
    m_log = new QListWidget(logBox);
    m_log->setObjectName(QStringLiteral("commandLog"));
    m_log->setFont(uilook::sequenceFont());
    m_log->setUniformItemSizes(true);
    logLayout->addWidget(m_log);
    middle->addWidget(logBox, 2);
    layout->addLayout(middle, 1);

    auto *gaugeBox = new QGroupBox(tr("通道 0–31（蓝色：当前位置，红线：目标）"), this);
    auto *gaugeLayout = new QVBoxLayout(gaugeBox);
    m_gauges = new GaugeStrip(gaugeBox);
    gaugeLayout->addWidget(m_gauges);
    layout->addWidget(gaugeBox);

    applyProfile(profile);

    connect(&session, &BoardSession::commandReceived, this,
            [this](const boardcommand::Command &command, qint64 arrivalUs) {
                m_pending.append({command, arrivalUs});
            });

    // One frame per screen refresh; the commands of a frame are shown together.
    const QScreen *screen = this->screen();
    const double hz = screen && screen->refreshRate() > 1 ? screen->refreshRate() : 60.0;
    m_frameClock.setTimerType(Qt::PreciseTimer);
    m_frameClock.setInterval(int(std::lround(1000.0 / hz)));
    connect(&m_frameClock, &QTimer::timeout, this, &BoardWindow::frame);
    m_frameClock.start();
    frame();
    resize(1000, 640);
}

void BoardWindow::applyProfile(const ArmProfile &profile)
{
    if (profile == m_profile)
        return;
    std::array<QString, boardcommand::channelCount> names;
    for (int k = 0; k < boardcommand::channelCount; ++k)
        names[size_t(k)] = profile.channels.channel(k).name;
    m_gauges->setNames(names);
    for (int joint = 0; joint < BoardArmView::jointCount; ++joint) {
        const int channel = profile.arm.channels[size_t(joint)];
        if (!m_profile || m_profile->arm.channels[size_t(joint)] != channel)
            m_jointChannels[size_t(joint)]->setValue(channel);
    }
    m_profile = profile;
    frame();
}

void BoardWindow::frame()
{
    const qsizetype first = std::max<qsizetype>(0, m_pending.size() - logLength);
    for (qsizetype i = first; i < m_pending.size(); ++i)
        appendToLog(m_pending[i]);
    const qint64 now = monotonicMicros();
    if (!m_pending.isEmpty()) {
        if (m_firstCommandUs < 0) {
            m_firstCommandUs = now;
            m_firstCommandFrames = m_arm->frames();
        }
        m_lastCommandUs = now;
        m_lastCommandFrames = m_arm->frames();
        while (m_log->count() > logLength)
            delete m_log->takeItem(0);
        m_log->scrollToBottom();
        m_pending.clear();
    }

    const motion::MotionModel &model = m_session.motion();
    GaugeStrip::Channels channels;
    for (int k = 0; k < boardcommand::channelCount; ++k)
        channels[size_t(k)] = {model.position(k, now), model.target(k), model.commanded(k)};
    m_gauges->setChannels(channels);

    // The joints on the channels chosen here, with the profile's calibration,
    // links and limits.
    static const ArmProfile asItComes;
    const ArmProfile &profile = m_profile ? *m_profile : asItComes;
    arm::ArmGeometry geometry = profile.arm;
    kinematics::JointLimits limits;
    BoardArmView::Pulses pulses;
    for (int joint = 0; joint < BoardArmView::jointCount; ++joint) {
        const int channel = m_jointChannels[size_t(joint)]->value();
        geometry.channels[size_t(joint)] = channel;
        const ChannelSetup::Channel &range = profile.channels.channel(channel);
        limits[size_t(joint)] = {range.minimumPulse, range.maximumPulse};
        pulses[size_t(joint)] = model.position(channel, now);
    }
    m_arm->setArm(geometry, limits);
    m_arm->setPulses(pulses);

    m_counters->setText(
        tr("字节 %1　指令 %2　有问题 %3").arg(m_session.bytes()).arg(m_session.commands()).arg(m_session.flagged()));
    showLine();
}

double BoardWindow::frameRateWhileReceiving() const
{
    if (m_lastCommandUs <= m_firstCommandUs)
        return 0;
    return double(m_lastCommandFrames - m_firstCommandFrames) * 1e6 / double(m_lastCommandUs - m_firstCommandUs);
}

void BoardWindow::appendToLog(const Received &received)
{
    const double seconds = double(received.arrivalUs - m_session.startUs()) / 1e6;
    QString text = QStringLiteral("%1 s  %2").arg(seconds, 9, 'f', 3).arg(printable(received.command.raw));
    auto *item = new QListWidgetItem(m_log);
    if (received.command.flags) {
        text += QStringLiteral("  ← ") + flagText(received.command.flags);
        item->setForeground(QColor(204, 0, 0));
    }
    item->setText(text);
}

void BoardWindow::showLine()
{
    const LineRate rate = m_session.lineRate();
    const QString text = tr("%1　%2 波特，每字符 %3 位%4")
                             .arg(m_session.device())
                             .arg(rate.baud)
                             .arg(rate.bitsPerCharacter)
                             .arg(m_session.pacing() ? tr("，按波特率读取") : tr("，不限速读取"));
    if (text != m_lineText) {
        m_lineText = text;
        m_line->setText(text);
    }
}
