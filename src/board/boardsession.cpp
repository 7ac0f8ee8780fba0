#include "boardsession.h"

#include "link/virtualboards.h"

#include <QDir>

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
        m_motion.apply(command, arrivalUs);
        if (m_trace.isOpen() && !m_trace.write(command, arrivalUs))
            qWarning("servo-board: the trace could not be written: %s", qPrintable(m_trace.errorString()));
        Q_EMIT commandReceived(command, arrivalUs);
    });
}
