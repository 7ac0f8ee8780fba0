// SPDX-License-Identifier: MIT
#include "boardsession.h"

#include "shared/virtualboards.h"

#include <QDir>
#include <QFileInfo>

BoardSession::BoardSession(Options options, QObject *parent) : QObject(parent), m_options(std::move(options))
{
    m_startUs = monotonicMicros();
}

BoardSession::~BoardSession()
{
    m_trace.close();
}

bool BoardSession::start()
{
    if (!m_terminal.isOpen()) {
        m_error = QStringLiteral("cannot open a pseudo-terminal: %1").arg(m_terminal.errorString());
        return false;
    }
    if (!m_options.tracePath.isEmpty() && !m_trace.open(m_options.tracePath)) {
        m_error = QStringLiteral("cannot write the trace %1: %2").arg(m_options.tracePath, m_trace.errorString());
        return false;
    }
    // Another user must not see, plant or take the registrations.
    const QString runtime = QFileInfo(virtualboards::registrationFolder()).path();
    if (runtime == QStringLiteral("/") || !isUsersOwnFolder(runtime)) {
        m_error = tr("运行目录“%1”不是当前用户独有的（须属于当前用户、权限 700），舵机板不在其中登记；"
                     "请把 XDG_RUNTIME_DIR 设为这样的目录。")
                      .arg(runtime == QStringLiteral("/") ? qEnvironmentVariable("XDG_RUNTIME_DIR") : runtime);
        return false;
    }
    QDir().mkpath(virtualboards::registrationFolder());
    m_registration = std::make_unique<QLockFile>(virtualboards::lockFilePath(portNumber()));
    m_registration->setStaleLockTime(0);
    if (!m_registration->tryLock(0)) {
        m_error = QStringLiteral("cannot register the board in %1").arg(virtualboards::registrationFolder());
        return false;
    }
    m_reader = std::make_unique<PacedReader>(m_terminal, m_options.pacing);
    connect(m_reader.get(), &PacedReader::bytesArrived, this, &BoardSession::receive);
    return true;
}

void BoardSession::receive(const QByteArray &bytes, qint64 arrivalUs)
{
    m_bytes += bytes.size();
    m_splitter.feed(bytes.constData(), bytes.size(), [&](boardcommand::Command command) {
        ++m_commands;
        if (command.flags)
            ++m_flagged;
        m_motion.apply(command.groups, command.timeMs, arrivalUs);
        if (m_trace.isOpen() && !m_trace.write(command, arrivalUs)) {
            const QString reason = m_trace.errorString();
            m_trace.close();
            Q_EMIT traceFailed(
                tr("轨迹文件“%1”写入失败：%2。轨迹到此为止，此前的记录完整。").arg(m_options.tracePath, reason));
        }
        Q_EMIT commandReceived(command, arrivalUs);
    });
}
