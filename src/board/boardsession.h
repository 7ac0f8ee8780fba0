// SPDX-License-Identifier: MIT
#pragma once

// One virtual board: a pseudo-terminal for the program to open, its lines
// read at the line's pace, parsed, carried out by the motion model, traced,
// and counted; registered so that the program's port lists show it.

#include "boardcommand.h"
#include "boardterminal.h"
#include "shared/motion.h"
#include "pacedreader.h"
#include "tracewriter.h"

#include <QLockFile>
#include <QObject>

#include <memory>

class BoardSession final : public QObject
{
    Q_OBJECT

public:
    struct Options {
        bool pacing = true;
        QString tracePath; // empty: no trace
    };

    explicit BoardSession(Options options, QObject *parent = nullptr);
    ~BoardSession() override;

    // Opens the terminal and the trace and registers the board; on failure
    // `errorString()` tells why.
    bool start();
    QString errorString() const { return m_error; }

    int portNumber() const { return 1000 + m_terminal.deviceIndex(); }
    QString portName() const { return QStringLiteral("COM%1").arg(portNumber()); }
    QString device() const { return m_terminal.device(); }
    LineRate lineRate() const { return m_terminal.lineRate(); }
    bool pacing() const { return m_options.pacing; }

    const motion::MotionModel &motion() const { return m_motion; }
    qint64 startUs() const { return m_startUs; }
    qint64 bytes() const { return m_bytes; }
    qint64 commands() const { return m_commands; }
    qint64 flagged() const { return m_flagged; }

Q_SIGNALS:
    void commandReceived(const boardcommand::Command &command, qint64 arrivalUs);
    // The trace could not be written; it is closed, holding the commands
    // before this one. Emitted once.
    void traceFailed(const QString &message);

private:
    void receive(const QByteArray &bytes, qint64 arrivalUs);

    Options m_options;
    BoardTerminal m_terminal;
    std::unique_ptr<PacedReader> m_reader;
    std::unique_ptr<QLockFile> m_registration;
    boardcommand::LineSplitter m_splitter;
    motion::MotionModel m_motion;
    TraceWriter m_trace;
    QString m_error;
    qint64 m_startUs = 0;
    qint64 m_bytes = 0;
    qint64 m_commands = 0;
    qint64 m_flagged = 0;
};
