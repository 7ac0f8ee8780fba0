#include "app/mainwindow.h"
#include "app/screenfit.h"
#include "app/sequencelocation.h"
#include "app/terminationsignals.h"
#include "app/translations.h"
#include "common/notifier.h"
#include "link/qtserialport.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    translations::installChinese(app);
    QApplication::setApplicationName(QStringLiteral("servo-console"));
    QApplication::setApplicationDisplayName(QStringLiteral("舵机控制台"));
    QApplication::setApplicationVersion(QStringLiteral(SERVO_CONSOLE_VERSION));

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("舵机控制台：通过 32 路舵机控制板调整和编排机械臂的动作。"));
    options.addHelpOption();
    options.addVersionOption();
    options.process(app);

    MessageBoxNotifier notifier;
    MainWindow window({std::make_unique<QtSerialPort>(), &notifier, systemPortEnumerator(),
                       sequencelocation::atStartUp()});
    // On a screen too small for it (1280x720 with a title bar) the framed
    // window is fitted in, the Send row kept in view.
    keepFrameOnScreen(window, window.findChild<QWidget *>(QStringLiteral("Command8")));
    window.show();
    // kill, logout and Ctrl+C end the program the way closing the window does.
    TerminationSignals endRequests;
    QObject::connect(&endRequests, &TerminationSignals::received, &window, &MainWindow::closeWithoutQuestions);
    return QApplication::exec();
}
