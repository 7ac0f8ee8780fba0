// SPDX-License-Identifier: MIT
// What the arm view and its twin cost while playback sends a line every 20 ms:
// one command into the twin, one frame of the view while the twin moves, and,
// as the reference, one frame of an empty widget of the same size.

#include "benchutil.h"

#include "core/armtwin.h"
#include "core/clock.h"
#include "workspace/armview.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int runs = 7;
constexpr int framesPerRun = 200;
constexpr int commandsPerRun = 2000;
constexpr int playbackIntervalMs = 20;
constexpr int framesPerSecond = 60;

// The cheapest frame a widget of that size can have.
class BlankWidget final : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), QColor(246, 247, 250)); }
};

QByteArray sequenceCommand(int n)
{
    // Base, shoulder, elbow and wrist, as a sequence line of the arm sends them.
    QByteArray bytes;
    for (const int channel : {5, 6, 4, 3})
        bytes += "#" + QByteArray::number(channel) + "P" + QByteArray::number(1000 + (n * 37 + channel * 101) % 1000)
                 + "S300";
    return bytes + "\r";
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    SteadyClock clock;
    QTimer frameTimer;
    QtOneShotTimer frames(frameTimer);
    armtwin::ArmTwin twin;
    workspace::ArmView view(twin, clock, frames);
    view.resize(view.sizeHint());
    BlankWidget blank;
    blank.resize(view.size());
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);

    bench::heading("Arm view during a 20 ms playback");
    QList<double> commandNs;
    QList<double> frameNs;
    QList<double> blankNs;
    int n = 0;
    for (int run = 0; run < runs; ++run) {
        commandNs.append(bench::timeBatches(1, commandsPerRun, [&] {
                             twin.sent(sequenceCommand(n++), clock.nowNs() / 1000);
                         }).first());
        if (!twin.moving(clock.nowNs() / 1000))
            qFatal("the twin should be moving while it is drawn");
        frameNs.append(bench::timeBatches(1, framesPerRun, [&] { view.render(&image); }).first());
        blankNs.append(bench::timeBatches(1, framesPerRun, [&] { blank.render(&image); }).first());
    }
    bench::spread(QStringLiteral("one command into the twin (4 groups), min / median / max"), commandNs, "ns");
    bench::spread(QStringLiteral("one frame of the arm view, 560x320"), frameNs, "ns");
    bench::spread(QStringLiteral("reference: one frame of a blank widget, 560x320"), blankNs, "ns");
    const double perSecond =
        bench::median(commandNs) * (1000.0 / playbackIntervalMs) + bench::median(frameNs) * framesPerSecond;
    bench::figure(QStringLiteral("twin and view per second of playback (50 commands, 60 frames)"), perSecond / 1e6,
                  "ms");
    bench::note("the sequence's own commands are built as well as read in the first figure");
    return 0;
}
