#include "app/mainwindow.h"
#include "app/sequencefile.h"
#include "app/terminationsignals.h"
#include "common/notifier.h"
#include "link/qtserialport.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("servo-console"));
    QApplication::setApplicationDisplayName(QStringLiteral("舵机控制台"));

    MessageBoxNotifier notifier;
    MainWindow window({std::make_unique<QtSerialPort>(), &notifier, systemPortEnumerator(),
                       SequenceFile::besideExecutable()});
    window.show();
    // kill, logout and Ctrl+C end the program the way closing the window does.
    TerminationSignals endRequests;
    QObject::connect(&endRequests, &TerminationSignals::received, &window, &MainWindow::closeWithoutQuestions);
    return QApplication::exec();
}
