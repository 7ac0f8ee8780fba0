// SPDX-License-Identifier: MIT
#include "windowharness.h"

#include "sequence/sequenceeditor.h"

#include <QFile>
#include <QSettings>
#include <QTimer>

WindowHarness::WindowHarness() : WindowHarness(Options()) { }

WindowHarness::WindowHarness(Options options) : WindowHarness(std::move(options), std::nullopt) { }

WindowHarness::WindowHarness(Options options, const QByteArray &profile)
    : WindowHarness(std::move(options), std::optional<QByteArray>(profile))
{ }

WindowHarness::WindowHarness(Options options, const std::optional<QByteArray> &profile)
    : ports(options.ports), m_time(options.time)
{
    // Recent files and any other per-user setting stay in the test's folder.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    if (options.sequenceFile) {
        QFile file(sequencePath());
        if (file.open(QIODevice::WriteOnly))
            file.write(*options.sequenceFile);
    }
    if (profile) {
        QFile file(profilePath());
        if (file.open(QIODevice::WriteOnly))
            file.write(*profile);
    }
    start(std::move(options.port));
}

WindowHarness::~WindowHarness() = default;

void WindowHarness::start(std::unique_ptr<SerialPort> port)
{
    if (!port) {
        auto fake = std::make_unique<FakeSerialPort>();
        m_fake = fake.get();
        port = std::move(fake);
    }
    Program::Services services{std::move(port), &notifier, [this] { return ports; }, sequencePath(),
                               [this](SequenceFileMenu::Choice, QWidget *) { return chosenFile; }};
    services.sentPosePath = sentPosePath();
    services.clock = m_time;
    services.playbackTimer = m_time;
    m_program = std::make_unique<Program>(std::move(services));
}

void WindowHarness::restart()
{
    window().close();
    m_program.reset();
    m_fake = nullptr;
    start(nullptr);
}

QByteArray WindowHarness::sequenceFileBytes() const
{
    QFile file(sequencePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QTimer &WindowHarness::playbackTimer()
{
    auto *timer = engine().findChild<QTimer *>(QStringLiteral("Timer1"));
    if (!timer)
        qFatal("WindowHarness: the engine has no Timer1");
    return *timer;
}

SequenceEditor &WindowHarness::editor()
{
    return child<SequenceEditor>(QStringLiteral("RichTextBox1"));
}

void WindowHarness::connectTo(const QString &portBoxText)
{
    portBox().setEditText(portBoxText);
    button("Command3").click();
}
