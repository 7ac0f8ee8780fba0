// SPDX-License-Identifier: MIT
#include "windowharness.h"

#include "sequence/sequenceeditor.h"

#include <QFile>
#include <QSettings>

WindowHarness::WindowHarness(Options options) : WindowHarness(std::move(options), std::nullopt) { }

WindowHarness::WindowHarness(Options options, const QByteArray &profile)
    : WindowHarness(std::move(options), std::optional<QByteArray>(profile))
{ }

WindowHarness::WindowHarness(Options options, const std::optional<QByteArray> &profile) : ports(options.ports)
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
    MainWindow::Services services{std::move(port), &notifier, [this] { return ports; }, sequencePath(),
                                  [this](SequenceFileMenu::Choice, QWidget *) { return chosenFile; }};
    services.sentPosePath = sentPosePath();
    m_window = std::make_unique<MainWindow>(std::move(services));
}

void WindowHarness::restart()
{
    m_window->close();
    m_window.reset();
    m_fake = nullptr;
    start(nullptr);
}

QByteArray WindowHarness::sequenceFileBytes() const
{
    QFile file(sequencePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
