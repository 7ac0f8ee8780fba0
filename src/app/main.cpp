// SPDX-License-Identifier: MIT
#include "app/program.h"
#include "app/screenfit.h"
#include "core/sequencelocation.h"
#include "app/terminationsignals.h"
#include "app/translations.h"
#include "shared/commandline.h"
#include "common/notifier.h"
#include "core/sequencestore.h"
#include "link/qtserialport.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>

namespace {

const QString languageOption = QStringLiteral("language");

void describeOptions(QCommandLineParser &options)
{
    options.setApplicationDescription(
        QCoreApplication::translate("main", "舵机控制台：通过 32 路舵机控制板调整和编排机械臂的动作。"));
    options.addHelpOption();
    options.addVersionOption();
    options.addOption({languageOption,
                       QCoreApplication::translate("main", "界面语言：zh（中文，默认）或 en（English）。"),
                       QStringLiteral("zh|en")});
}

// --language as given, before the texts it chooses exist; empty when not given
// or when the command line does not parse (process() then reports that).
QString languageAsked()
{
    QCommandLineParser parser;
    describeOptions(parser);
    return parser.parse(QCoreApplication::arguments()) ? parser.value(languageOption) : QString();
}

} // namespace

int main(int argc, char *argv[])
{
    // The help and the version are only text: they need no window system.
    const std::unique_ptr<QCoreApplication> app = commandline::asksOnlyForText(argc, argv, describeOptions)
                                                      ? std::make_unique<QCoreApplication>(argc, argv)
                                                      : std::make_unique<QApplication>(argc, argv);
    const QString asked = languageAsked();
    const Language chosen = language::atStartUp(asked);
    if (translations::install(*app, chosen).isEmpty() && chosen == Language::English)
        qWarning("servo-console: the English catalogue is missing from this build; the interface stays Chinese.");
    QApplication::setApplicationName(QStringLiteral("servo-console"));
    QApplication::setApplicationDisplayName(QCoreApplication::translate("main", "舵机控制台"));
    QApplication::setApplicationVersion(QStringLiteral(SERVO_CONSOLE_VERSION));

    QCommandLineParser options;
    describeOptions(options);
    options.process(*app);
    if (!asked.isEmpty() && !language::fromCode(asked)) {
        const QString refused =
            QCoreApplication::translate("main", "--language 只接受 zh 或 en，而不是“%1”。").arg(asked);
        std::fputs(qPrintable(refused + u'\n'), stderr);
        return 1;
    }

    // kill, logout and Ctrl+C end the program the way closing the window does,
    // from here on: a start-up question open at the signal counts as its safe answer.
    TerminationSignals endRequests;
    MessageBoxNotifier notifier;
    Program program({std::make_unique<QtSerialPort>(), &notifier, systemPortEnumerator(), sequencelocation::atStartUp(),
                     SequenceFileMenu::fileDialogs(), &endRequests});
    MainWindow &window = program.window();
    if (window.store().endRequested())
        return 0;
    // On a screen too small for it (1280x720 with a title bar) the framed
    // window is fitted in.
    keepFrameOnScreen(window, *window.findChild<QWidget *>(QStringLiteral("clientArea")));
    window.show();
    return QApplication::exec();
}
