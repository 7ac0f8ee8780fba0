// SPDX-License-Identifier: MIT
// servo-board: a virtual servo board on a pseudo-terminal, for servo-console
// to connect to when no board is plugged in.

#include "boardlanguage.h"
#include "boardsession.h"
#include "boardwindow.h"
#include "profilewatcher.h"
#include "shared/armprofile.h"
#include "shared/commandline.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace {

const QString headlessOption = QStringLiteral("headless");
const QString traceOption = QStringLiteral("trace");
const QString noPacingOption = QStringLiteral("no-pacing");
const QString frameRateOption = QStringLiteral("frame-rate");
const QString profileOption = QStringLiteral("profile");
const QString languageOption = QStringLiteral("language");

const char *kindOf(armprofile::Problem::Kind kind)
{
    using Kind = armprofile::Problem::Kind;
    switch (kind) {
    case Kind::NotJson:
        return "not JSON";
    case Kind::WrongType:
        return "wrong type";
    case Kind::UnknownKey:
        return "unknown key";
    case Kind::DuplicateKey:
        return "given twice, the last one read";
    case Kind::OutOfRange:
        return "out of range";
    case Kind::NoSuchChannel:
        return "no such channel";
    case Kind::DuplicateJoint:
        return "two joints on one channel";
    case Kind::MinAboveMax:
        return "min above max";
    case Kind::HomeOutsideLimits:
        return "home outside min..max";
    case Kind::UnknownEasing:
        return "no such easing";
    case Kind::OtherVersion:
        return "another version";
    case Kind::TooLarge:
        return "larger than 1 MB";
    case Kind::NotAFile:
        return "not a regular file";
    case Kind::Unreadable:
        return "unreadable";
    }
    return "";
}

// A problem of the profile, for the board's own error output.
QString describe(const armprofile::Problem &problem)
{
    QString where =
        problem.line > 0 ? QStringLiteral("line %1, column %2").arg(problem.line).arg(problem.column) : problem.field;
    QString text = QString::fromLatin1(kindOf(problem.kind));
    if (!where.isEmpty())
        text = where + QStringLiteral(": ") + text;
    return problem.detail.isEmpty() ? text : text + QStringLiteral(" (") + problem.detail + u')';
}

// What the board made of the profile, on its error output: whether it is
// there at start, a change while it runs, and the problems of each reading.
// A profile with problems is used for what it has.
void tell(const ProfileWatcher &watcher, bool atStart)
{
    const armprofile::Reading &reading = watcher.reading();
    const QByteArray path = watcher.path().toLocal8Bit();
    if (!reading.found)
        std::fprintf(stderr, "servo-board: %s: %s\n", path.constData(),
                     atStart ? "no such file yet; the arm is as it comes until it is written"
                             : "gone; the arm is as it comes");
    else if (!atStart)
        std::fprintf(stderr, "servo-board: %s: changed; the gauges and the arm follow it\n", path.constData());
    for (const armprofile::Problem &problem : reading.problems)
        std::fprintf(stderr, "servo-board: %s: %s\n", path.constData(), qPrintable(describe(problem)));
}

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
        {profileOption,
         QStringLiteral("Name the gauges and drive the arm's joints from the arm profile <file> (arm.json), "
                        "and follow it when it changes or appears."),
         QStringLiteral("file")},
        {languageOption, QStringLiteral("Interface language: zh (Chinese, the default) or en (English)."),
         QStringLiteral("zh|en")},
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
    const QString languageAsked = parser.isSet(languageOption) ? parser.value(languageOption) : QStringLiteral("zh");
    const std::optional<boardlanguage::Language> language = boardlanguage::fromCode(languageAsked);
    if (!language) {
        std::fprintf(stderr, "servo-board: --language takes zh or en, not \"%s\"\n", qPrintable(languageAsked));
        return 1;
    }
    if (!boardlanguage::install(*app, *language))
        std::fprintf(stderr,
                     "servo-board: the English catalogue is missing from this build; the window stays Chinese\n");

    std::unique_ptr<ProfileWatcher> profile;
    if (parser.isSet(profileOption)) {
        profile = std::make_unique<ProfileWatcher>(parser.value(profileOption));
        tell(*profile, true);
    }

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
        window = std::make_unique<BoardWindow>(session, profile ? profile->reading().profile : ArmProfile());
        window->show();
    }
    // A profile saved while the board runs (the console's 通道设置) is taken
    // up at once; the port stays as it is.
    if (profile) {
        QObject::connect(profile.get(), &ProfileWatcher::changed, [&](const armprofile::Reading &reading) {
            tell(*profile, false);
            if (window)
                window->applyProfile(reading.profile);
        });
    }
    const int status = QCoreApplication::exec();
    if (window && parser.isSet(frameRateOption))
        std::printf("frame-rate %.1f\n", window->frameRateWhileReceiving());
    return status;
}
