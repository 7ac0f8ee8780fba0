// Playback timing on the wire, and the cost of one tick far down a long sequence.

#include "benchutil.h"

#include "link/qtserialport.h"
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <thread>

#include <poll.h>

namespace {

// Notes when each timer event reaches the object watched.
class TimerWatch final : public QObject
{
public:
    explicit TimerWatch(const QElapsedTimer &clock) : m_clock(clock) {}
    QList<qint64> fired;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Timer)
            fired.append(m_clock.nsecsElapsed());
        return false;
    }

private:
    const QElapsedTimer &m_clock;
};

constexpr int lines = 200;
constexpr int basePulse = 1500; // line n sends pulse basePulse + n

QString playbackLine(int n)
{
    return QStringLiteral("Time100   #1P%1S300").arg(basePulse + n);
}

void departures()
{
    QByteArray file;
    for (int n = 0; n < lines; ++n)
        file += playbackLine(n).toLatin1() + "\r\n";

    PseudoTerminal pty;
    WindowHarness::Options options;
    options.sequenceFile = file;
    options.port = std::make_unique<QtSerialPort>();
    WindowHarness harness(std::move(options));
    harness.window().show();
    harness.connectTo(pty.portBoxText());
    const int master = pty.masterFd();
    if (!pty.isValid() || !harness.window().portIsOpen() || master < 0)
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));
    pty.clearReceived();

    // The far end is read on a thread of its own, as a board would: the window's
    // repaints after each tick must not delay the time a line is seen to arrive.
    // Each command ends with its own CR; its pulse tells which line it was.
    QElapsedTimer clock;
    clock.start();
    QList<qint64> arrival(lines, -1);
    int arrived = 0;
    std::atomic<bool> stop = false;
    QEventLoop loop;
    std::thread farEnd([&] {
        qsizetype scanned = 0;
        pollfd readable{master, POLLIN, 0};
        while (arrived < lines && !stop) {
            if (::poll(&readable, 1, 100) <= 0)
                continue;
            const qint64 now = clock.nsecsElapsed();
            const QByteArray far = pty.received();
            for (qsizetype end; (end = far.indexOf('\r', scanned)) >= 0; scanned = end + 1) {
                const QByteArray command = far.mid(scanned, end - scanned);
                const int n = command.mid(command.indexOf('P') + 1, 4).toInt() - basePulse;
                if (n < 0 || n >= lines || arrival[n] >= 0)
                    qFatal("unexpected command at the far end: %s", command.constData());
                arrival[n] = now;
                ++arrived;
            }
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    QTimer::singleShot(lines * 100 + 5000, &loop, &QEventLoop::quit);

    TimerWatch timer(clock);
    harness.window().findChild<QTimer *>(QStringLiteral("Timer1"))->installEventFilter(&timer);
    const qint64 clicked = clock.nsecsElapsed();
    harness.button("RunCommand").click();
    loop.exec();
    stop = true;
    farEnd.join();
    if (arrived != lines || timer.fired.size() < lines)
        qFatal("only %d of %d lines arrived", arrived, lines);

    QList<double> error, late, tick;
    for (int n = 0; n < lines; ++n) {
        const qint64 due = clicked + (100 + qint64(n) * 100) * 1000000;
        error.append(double(arrival[n] - due) / 1e6);
        late.append(double(timer.fired[n] - due) / 1e6);
        tick.append(double(arrival[n] - timer.fired[n]) / 1e6);
    }
    bench::figure(QStringLiteral("%1 lines of 100 ms: departure error, median").arg(lines), bench::median(error), "ms");
    bench::figure(QStringLiteral("departure error, 99th percentile"), bench::percentile(error, 99), "ms");
    bench::figure(QStringLiteral("departure error, worst"), bench::percentile(error, 100), "ms");
    bench::figure(QStringLiteral("departure error, earliest"), bench::percentile(error, 0), "ms");
    bench::figure(QStringLiteral("drift (last line's error minus first line's)"), error.last() - error.first(), "ms");
    bench::figure(QStringLiteral("of which Timer1 event late against due time, median"), bench::median(late), "ms");
    bench::figure(QStringLiteral("of which Timer1 event to bytes at far end, median"), bench::median(tick), "ms");
}

// One tick's editor work: read the line, mark it. Consecutive lines from `first`,
// with the repaint between ticks left out of the time.
double tickCost(SequenceEditor &editor, qsizetype first, int runs)
{
    QList<double> samples;
    for (int run = 0; run < runs; ++run) {
        QCoreApplication::processEvents();
        const qsizetype line = first + run % 100;
        samples.append(bench::timeOnce([&] {
            const std::optional<QString> text = GetLineText(editor, line);
            editor.setSelectionStart(editor.lineStart(line));
            editor.setSelectionLength(text->size());
            editor.setSelectionColor(Qt::black);
        }));
    }
    return bench::median(samples);
}

void ticks()
{
    constexpr int longSequence = 100200;
    SequenceEditor editor;
    editor.resize(650, 130);
    editor.setText(bench::sequenceText(longSequence));
    editor.show();
    QCoreApplication::processEvents();
    tickCost(editor, 10, 200); // warm-up
    const double nearStart = tickCost(editor, 10, 2000);
    const double farDown = tickCost(editor, 100000, 2000);
    bench::figure(QStringLiteral("one tick (GetLineText + mark) at line ~10 of %1, median").arg(longSequence),
                  nearStart / 1e3, "us");
    bench::figure(QStringLiteral("one tick (GetLineText + mark) at line ~100,000, median"), farDown / 1e3, "us");
    bench::figure(QStringLiteral("tick cost ratio line 100,000 / line 10"), farDown / nearStart, "x");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bench::heading("playback (MainWindow + QtSerialPort on a pty, Run clicked at t = 0)");
    departures();
    bench::heading("playback tick cost against position");
    ticks();
    return 0;
}
