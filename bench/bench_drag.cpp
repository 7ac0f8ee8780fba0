// SPDX-License-Identifier: MIT
// A fast drag against a far end reading at 115200 baud, 8N1: how long after
// the last change the final value of each channel arrives. The port object as
// it is now (its own queue, live moves merged) against the reference of a port
// that hands every move straight to the device behind a 2 s bound, as the
// program did before, in the same run.

#include "benchutil.h"

#include "link/qtserialport.h"
#include "support/pseudoterminal.h"

#include <QCoreApplication>
#include <QSerialPort>

#include <functional>

namespace {

constexpr int lineRate = 11'520;
constexpr int changes = 5000;        // a channel
constexpr qint64 changeNs = 500'000; // 2,000 changes a second

QString move(int channel, int pulse)
{
    return QStringLiteral("#%1P%2S300\r").arg(channel).arg(pulse);
}

// Sends each move; false when it was refused.
using Send = std::function<bool(int channel, const QString &text)>;

struct Run {
    double catchUpMs = 0;
    double busy = 0; // share of the line used while dragging
    int refused = 0;
};

Run drag(PseudoTerminal &pty, int channels, const Send &send)
{
    pty.clearReceived();
    Run run;
    QElapsedTimer clock;
    clock.start();
    for (int step = 0; step < changes; ++step) {
        while (clock.nsecsElapsed() < step * changeNs)
            QCoreApplication::processEvents();
        for (int channel = 0; channel < channels; ++channel)
            run.refused += send(channel, move(channel, 1000 + step % 1000 + (step == changes - 1 ? 500 : 0))) ? 0 : 1;
    }
    const qint64 lastNs = clock.nsecsElapsed();
    run.busy = double(pty.received().size()) / (double(lastNs) / 1e9 * lineRate);
    const auto arrived = [&] {
        const QByteArray far = pty.received();
        for (int channel = 0; channel < channels; ++channel)
            if (!far.contains(move(channel, 1000 + (changes - 1) % 1000 + 500).toLatin1()))
                return false;
        return true;
    };
    while (!arrived() && clock.nsecsElapsed() - lastNs < 5'000'000'000)
        QCoreApplication::processEvents();
    run.catchUpMs = double(clock.nsecsElapsed() - lastNs) / 1e6;
    // Let the line go quiet before the next run.
    while (pty.received().size() > 0 && clock.nsecsElapsed() - lastNs < 8'000'000'000) {
        const qsizetype before = pty.received().size();
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < 50)
            QCoreApplication::processEvents();
        if (pty.received().size() == before)
            break;
    }
    return run;
}

void report(const char *name, const QList<Run> &runs)
{
    QList<double> catchUp, busy, refused;
    for (const Run &run : runs) {
        catchUp.append(run.catchUpMs);
        busy.append(run.busy * 100);
        refused.append(run.refused);
    }
    bench::spread(QStringLiteral("%1: last change to final values at far end").arg(QLatin1String(name)), catchUp, "ms");
    bench::spread(QStringLiteral("%1: line busy while dragging").arg(QLatin1String(name)), busy, "%");
    bench::spread(QStringLiteral("%1: moves refused (a warning each episode)").arg(QLatin1String(name)), refused, "");
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    constexpr int runs = 3;
    for (const int channels : {1, 6}) {
        bench::heading(channels == 1 ? "one slider, 5,000 changes at 2,000/s"
                                     : "six sliders together, 5,000 changes each at 2,000/s");
        QList<Run> now, before;
        for (int n = 0; n < runs; ++n) {
            {
                PseudoTerminal pty;
                QtSerialPort port;
                if (!pty.isValid() || !port.setCommPort(pty.portNumber()).ok() || !port.openPort().ok())
                    qFatal("cannot open %s", qPrintable(pty.devicePath()));
                pty.startReader(lineRate);
                now.append(drag(pty, channels,
                                [&](int channel, const QString &text) { return port.outputMove(channel, text).ok(); }));
            }
            {
                // The reference: every move to the device, refused past 2 s of the line.
                PseudoTerminal pty;
                QSerialPort port(pty.devicePath());
                if (!port.open(QIODevice::ReadWrite) || !port.setBaudRate(115200))
                    qFatal("cannot open %s", qPrintable(pty.devicePath()));
                pty.startReader(lineRate);
                before.append(drag(pty, channels, [&](int, const QString &text) {
                    if (port.bytesToWrite() + text.size() > 2 * lineRate)
                        return false;
                    port.write(text.toLatin1());
                    port.flush();
                    return true;
                }));
            }
        }
        report("now", now);
        report("before (straight through)", before);
    }
    bench::note("min / median / max of 3 runs; far end paced at 11,520 B/s");
    return 0;
}
