// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QSocketNotifier;

// The polite ends of a program (SIGTERM, SIGHUP and SIGINT on POSIX systems:
// `kill`, logout, Ctrl+C in the terminal) handed to the event loop: received()
// is raised there, where anything may be done, instead of the process ending at
// once. The signal handler itself only writes a byte to a socket. One object at
// a time; the signals' previous handling comes back when it is destroyed.
class TerminationSignals final : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};
