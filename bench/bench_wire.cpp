// A slider move on the wire: MainWindow on a real QtSerialPort whose far end is
// a pseudo-terminal, read here in a tight loop.

#include "benchutil.h"

#include "link/qtserialport.h"
#include "support/pseudoterminal.h"
#include "support/windowharness.h"

#include <QApplication>

namespace {

constexpr int channel = 0;
constexpr int commandBytes = 12; // "#0P1500S300\r"
constexpr double lineLimit = 115200.0 / 10 / commandBytes; // 8N1: ten bits a byte

QByteArray command(int pulse)
{
    return QStringLiteral("#%1P%2S300\r").arg(channel).arg(pulse).toLatin1();
}

void latency(PseudoTerminal &pty, QScrollBar &slider, int changes)
{
    QList<double> handler, arrival;
    for (int change = -50; change < changes; ++change) { // the first 50 warm up
        const int pulse = 1501 - (change & 1);
        pty.clearReceived();
        QElapsedTimer clock;
        clock.start();
        slider.setValue(pulse);
        const double returned = double(clock.nsecsElapsed());
        while (pty.received().size() < commandBytes && clock.elapsed() < 1000) {
            // spin: read the far end until the whole command is there
        }
        const double arrived = double(clock.nsecsElapsed());
        if (pty.received() != command(pulse))
            qFatal("unexpected bytes at the far end: %s", pty.received().constData());
        if (change >= 0) {
            handler.append(returned / 1e3);
            arrival.append(arrived / 1e3);
        }
        QCoreApplication::processEvents();
    }
    bench::figure(QStringLiteral("setValue to handler returned, median of %1").arg(changes), bench::median(handler), "us");
    bench::figure(QStringLiteral("setValue to bytes at far end, median of %1").arg(changes), bench::median(arrival), "us");
    bench::figure(QStringLiteral("setValue to bytes at far end, 99th percentile"), bench::percentile(arrival, 99), "us");
    bench::figure(QStringLiteral("setValue to bytes at far end, worst"), bench::percentile(arrival, 100), "us");
}

// A drag as fast as the event loop turns: one value change per turn for a second.
void throughput(PseudoTerminal &pty, QScrollBar &slider)
{
    pty.clearReceived();
    qsizetype scanned = 0;
    qint64 sent = 0, arrived = 0;
    const auto count = [&] {
        const QByteArray far = pty.received();
        arrived += std::count(far.cbegin() + scanned, far.cend(), '\r');
        scanned = far.size();
    };
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000) {
        slider.setValue(1501 - (sent++ & 1));
        QCoreApplication::processEvents();
        count();
    }
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const qint64 inWindow = arrived;
    QElapsedTimer drain;
    drain.start();
    while (arrived < sent && drain.elapsed() < 500) {
        QCoreApplication::processEvents();
        count();
    }
    bench::figure(QStringLiteral("drag: commands written per second"), double(sent) / seconds, "cmd/s");
    bench::figure(QStringLiteral("drag: complete commands at far end per second"), double(inWindow) / seconds, "cmd/s");
    bench::figure(QStringLiteral("drag: bytes at far end per second"), double(inWindow) * commandBytes / seconds, "B/s");
    bench::figure(QStringLiteral("drag: commands lost (written, never arrived)"), double(sent - arrived), "cmd");
    bench::figure(QStringLiteral("line limit at 115200 baud, 8N1, 12-byte command"), lineLimit, "cmd/s");
    bench::figure(QStringLiteral("pty rate / line limit"), double(inWindow) / seconds / lineLimit, "x");
    bench::note("a pty does not pace at the baud rate: on a real line a faster drag queues in the driver");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    PseudoTerminal pty;
    WindowHarness::Options options;
    options.port = std::make_unique<QtSerialPort>();
    WindowHarness harness(std::move(options));
    harness.connectTo(pty.portBoxText());
    harness.checkBox(channel).setChecked(true);
    if (!pty.isValid() || !harness.window().portIsOpen() || !harness.slider(channel).isEnabled())
        qFatal("cannot connect to %s", qPrintable(pty.devicePath()));

    bench::heading("slider to wire (QtSerialPort on a pty)");
    latency(pty, harness.slider(channel), 1000);
    throughput(pty, harness.slider(channel));
    return 0;
}
