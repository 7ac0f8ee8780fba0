// SPDX-License-Identifier: MIT
#pragma once

#include "app/program.h"
#include "fakeserialport.h"
#include "recordingnotifier.h"
#include "virtualtime.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <memory>
#include <optional>

class SequenceEditor;

// A main window on a scripted fake port (or a real port object), with its
// cmd.txt in a temporary folder and its messages recorded.
class WindowHarness
{
public:
    struct Options {
        std::optional<QByteArray> sequenceFile; // cmd.txt content before start-up
        std::unique_ptr<SerialPort> port;       // default: a FakeSerialPort
        QStringList ports;                      // what the port enumeration reports
        // The time the program runs on, its playback timer too; none: the machine's.
        VirtualTime *time = nullptr;
    };

    WindowHarness();
    explicit WindowHarness(Options options);
    // With `profile` as arm.json beside cmd.txt before start-up.
    WindowHarness(Options options, const QByteArray &profile);
    ~WindowHarness();

    // Starts (another) window on the same folder, after closing the current one.
    void restart();

    MainWindow &window() { return m_program->window(); }
    Engine &engine() { return m_program->engine(); }
    // Timer1: playback's timer.
    QTimer &playbackTimer();
    FakeSerialPort &fake() { return *m_fake; }
    RecordingNotifier notifier;
    QStringList ports;
    QString chosenFile; // what the file dialogs answer; empty: cancelled

    QString sequencePath() const { return m_dir.filePath(QStringLiteral("cmd.txt")); }
    QByteArray sequenceFileBytes() const;
    QString profilePath() const { return m_dir.filePath(QStringLiteral("arm.json")); }
    QString sentPosePath() const { return m_dir.filePath(QStringLiteral("last-sent-pose.json")); }

    template <typename T>
    T &child(const QString &name)
    {
        T *widget = window().findChild<T *>(name);
        if (!widget)
            qFatal("WindowHarness: the main window has no %s named %s", T::staticMetaObject.className(),
                   qPrintable(name));
        return *widget;
    }
    QPushButton &button(const char *name) { return child<QPushButton>(QString::fromLatin1(name)); }
    QLineEdit &valueBox(int channel) { return child<QLineEdit>(QStringLiteral("Text1_%1").arg(channel)); }
    QScrollBar &slider(int channel) { return child<QScrollBar>(QStringLiteral("VScroll1_%1").arg(channel)); }
    QCheckBox &checkBox(int channel) { return child<QCheckBox>(QStringLiteral("Check1_%1").arg(channel)); }
    QComboBox &portBox() { return child<QComboBox>(QStringLiteral("Combo1")); }
    SequenceEditor &editor();

    // Connects through the port box and the Connect button.
    void connectTo(const QString &portBoxText);

private:
    WindowHarness(Options options, const std::optional<QByteArray> &profile);
    void start(std::unique_ptr<SerialPort> port);

    VirtualTime *m_time = nullptr;

    QTemporaryDir m_dir;
    std::unique_ptr<Program> m_program;
    FakeSerialPort *m_fake = nullptr;
};
