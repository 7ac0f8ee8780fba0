// SPDX-License-Identifier: MIT
// servo-board: a virtual servo board on a pseudo-terminal, for servo-console
// to connect to when no board is plugged in.

#include "boardsession.h"
#include "boardwindow.h"
#include "shared/commandline.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

const QString headlessOption = QStringLiteral("headless");
const QString traceOption = QStringLiteral("trace");
const QString noPacingOption = QStringLiteral("no-pacing");
const QString frameRateOption = QStringLiteral("frame-rate");

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "A virtual servo board on a pseudo-terminal. Prints its port name and device on its first line,\n"
        "e.g. \"COM1003 /dev/pts/3\"; servo-console lists it as \"COM1003 (虚拟舵机板)\"."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {headlessOption, QStringLiteral("Run without a window.")},
        {traceOption, QStringLiteral("Write one JSON line per received command to <file>."), QStringLiteral("file")},
        {noPacingOption, QStringLiteral("Read as fast as bytes come instead of at the line's baud rate.")},
        {frameRateOption,
         QStringLiteral("On exit, print the window's frames per second while commands were arriving.")},
    });
}

} // namespace

int main(int argc, char *argv[])
{
    // The window needs a display; headless runs, the help and the version must not.
    bool headless = false;
    for (int i = 1; i < argc; ++i)
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (headless || commandline::asksOnlyForText(argc, argv, describeOptions))
        app = std::make_unique<QCoreApplication>(argc, argv);
    else
        app = std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("servo-board"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SERVO_CONSOLE_VERSION));

    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(*app);

    BoardSession session({!parser.isSet(noPacingOption), parser.value(traceOption)});
    if (!session.start()) {
        std::fprintf(stderr, "servo-board: %s\n", qPrintable(session.errorString()));
        return 1;
    }
    std::printf("%s %s\n", qPrintable(session.portName()), qPrintable(session.device()));
    std::fflush(stdout);

    // SIGTERM, SIGINT, SIGHUP: leave the event loop, so the trace is closed and
    // the registration removed on the way out.
    onTerminationSignal([] { QCoreApplication::quit(); });
    // A trace that cannot be written is told once; without a window nobody
    // watches, so the board ends with a failure status.
    QObject::connect(&session, &BoardSession::traceFailed, [headless](const QString &message) {
        std::fprintf(stderr, "servo-board: %s\n", qPrintable(message));
        if (headless)
            QCoreApplication::exit(2);
    });

    std::unique_ptr<BoardWindow> window;
    if (!headless) {
        window = std::make_unique<BoardWindow>(session);
        window->show();
    }
    const int status = QCoreApplication::exec();
    if (window && parser.isSet(frameRateOption))
        std::printf("frame-rate %.1f\n", window->frameRateWhileReceiving());
    return status;
}
