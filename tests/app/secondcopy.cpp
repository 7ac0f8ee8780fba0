// SPDX-License-Identifier: MIT
// Another running copy of the program's window, for the tests that need two
// processes on one cmd.txt: secondcopy <cmd.txt> <text> opens the window on
// <cmd.txt>, replaces its sequence with <text>, and once its recovery copy
// holds the edit prints how many messages it was shown and that copy's path,
// one per line. Then it runs until it is killed.
#include "app/program.h"
#include "core/sequencestore.h"
#include "sequence/sequenceeditor.h"
#include "support/fakeserialport.h"
#include "support/recordingnotifier.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3)
        qFatal("usage: secondcopy <cmd.txt> <text>");
    RecordingNotifier notifier;
    Program program({std::make_unique<FakeSerialPort>(), &notifier, [] { return QStringList(); }, arguments[1]});
    MainWindow &window = program.window();
    window.findChild<SequenceEditor *>(QStringLiteral("RichTextBox1"))->setText(arguments[2]);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!QFile::exists(window.store().recoveryPath()))
            return;
        poll.stop();
        std::printf("%d\n%s\n", int(notifier.shown.size()), qPrintable(window.store().recoveryPath()));
        std::fflush(stdout);
    });
    poll.start(50);
    return QApplication::exec();
}
