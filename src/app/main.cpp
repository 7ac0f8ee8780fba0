#include "app/mainwindow.h"
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

#include <memory>

namespace {

void describeOptions(QCommandLineParser &options)
{
    options.setApplicationDescription(QStringLiteral("舵机控制台：通过 32 路舵机控制板调整和编排机械臂的动作。"));
    options.addHelpOption();
    options.addVersionOption();
}

} // namespace

int main(int argc, char *argv[])
{
    // The help and the version are only text: they need no window system.
    const std::unique_ptr<QCoreApplication> app = commandline::asksOnlyForText(argc, argv, describeOptions)
                                                      ? std::make_unique<QCoreApplication>(argc, argv)
                                                      : std::make_unique<QApplication>(argc, argv);
    translations::installChinese(*app);
    QApplication::setApplicationName(QStringLiteral("servo-console"));
    QApplication::setApplicationDisplayName(QStringLiteral("舵机控制台"));
    QApplication::setApplicationVersion(QStringLiteral(SERVO_CONSOLE_VERSION));

    QCommandLineParser options;
    describeOptions(options);
    options.process(*app);

    // kill, logout and Ctrl+C end the program the way closing the window does,
    // from here on: a start-up question open at the signal counts as its safe answer.
    TerminationSignals endRequests;
    MessageBoxNotifier notifier;
    MainWindow window({std::make_unique<QtSerialPort>(), &notifier, systemPortEnumerator(),
                       sequencelocation::atStartUp(), SequenceFileMenu::fileDialogs(), &endRequests});
    if (window.store().endRequested())
        return 0;
    // On a screen too small for it (1280x720 with a title bar) the framed
    // window is fitted in, the Send row kept in view.
    keepFrameOnScreen(window, window.findChild<QWidget *>(QStringLiteral("Command8")));
    window.show();
    return QApplication::exec();
}
