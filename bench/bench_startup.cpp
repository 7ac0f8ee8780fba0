// Start-up: from constructing the main window (which loads cmd.txt) to the
// window shown and painted.

#include "benchutil.h"

#include "app/mainwindow.h"
#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

struct StartUp {
    double constructed = 0; // ns
    double painted = 0;     // ns
};

// Notes the first paint of the window.
class PaintWatch final : public QObject
{
public:
    bool painted = false;
    bool eventFilter(QObject *, QEvent *event) override
    {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

StartUp startOnce(const QByteArray &sequenceFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cmd.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(sequenceFile) != sequenceFile.size())
        qFatal("cannot write %s", qPrintable(path));
    file.close();

    RecordingNotifier notifier;
    PaintWatch watch;
    StartUp result;
    QElapsedTimer clock;
    clock.start();
    auto window = std::make_unique<MainWindow>(
        MainWindow::Services{std::make_unique<QtSerialPort>(), &notifier, [] { return QStringList(); }, path});
    result.constructed = double(clock.nsecsElapsed());
    window->installEventFilter(&watch);
    window->show();
    // The whole tree is painted in the pass that delivers the window's own paint.
    while (!watch.painted && clock.elapsed() < 10000)
        QCoreApplication::processEvents();
    result.painted = double(clock.nsecsElapsed());
    const auto *editor = window->findChild<SequenceEditor *>();
    if (!notifier.shown.isEmpty() || !watch.painted || editor->lineCount() != sequenceFile.count('\n') + 1)
        qFatal("start-up did not go cleanly");
    return result;
}

void measure(const char *what, const QByteArray &sequenceFile, int runs)
{
    startOnce(sequenceFile); // warm-up: fonts, styles, first allocation of everything
    QList<double> constructed, painted;
    for (int run = 0; run < runs; ++run) {
        const StartUp once = startOnce(sequenceFile);
        constructed.append(once.constructed / 1e6);
        painted.append(once.painted / 1e6);
    }
    bench::figure(QStringLiteral("%1: constructor (loads cmd.txt), median of %2").arg(what).arg(runs),
                  bench::median(constructed), "ms");
    bench::figure(QStringLiteral("%1: constructor to shown and painted, median of %2").arg(what).arg(runs),
                  bench::median(painted), "ms");
    bench::figure(QStringLiteral("%1: constructor to shown and painted, worst of %2").arg(what).arg(runs),
                  bench::percentile(painted, 100), "ms");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bench::heading("start-up (MainWindow, offscreen)");
    measure("10,000-line cmd.txt", bench::sequenceFile(10000), 5);
    measure("empty cmd.txt", QByteArray(), 5);
    return 0;
}
