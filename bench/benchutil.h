// SPDX-License-Identifier: MIT
#pragma once

// Small helpers shared by the benchmark programs: timing, order statistics,
// printing, and sample sequence text.

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QList>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

// Nearest-rank percentile, p in 0..100.
inline double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = qsizetype(std::ceil(p / 100.0 * double(values.size())));
    return values[qBound<qsizetype>(0, rank - 1, values.size() - 1)];
}

inline double median(const QList<double> &values)
{
    return percentile(values, 50);
}

inline void heading(const char *title)
{
    std::printf("\n== %s ==\n", title);
    std::fflush(stdout);
}

inline void figure(const QString &label, double value, const char *unit)
{
    std::printf("  %-66s %12.3f %s\n", qPrintable(label), value, unit);
    std::fflush(stdout);
}

// One figure measured in several runs: min / median / max.
inline void spread(const QString &label, const QList<double> &values, const char *unit)
{
    std::printf("  %-58s %9.3f / %9.3f / %9.3f %s\n", qPrintable(label), percentile(values, 0), median(values),
                percentile(values, 100), unit);
    std::fflush(stdout);
}

inline void note(const char *text)
{
    std::printf("  (%s)\n", text);
    std::fflush(stdout);
}

// Runs the event loop for `ms`, as the program's own loop runs: timers fire
// when due. (QTest::qWait sleeps in 10 ms slices between its turns, which
// makes every timer up to 10 ms late.)
inline void spin(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(int(ms), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Time taken by one call of `action`, in ns.
template <typename Action>
double timeOnce(Action action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    return double(clock.nsecsElapsed());
}

// Per-call cost of a cheap `action`: `samples` batches of `batch` calls, in ns per call.
template <typename Action>
QList<double> timeBatches(int samples, int batch, Action action)
{
    QList<double> perCall;
    QElapsedTimer clock;
    for (int sample = 0; sample < samples; ++sample) {
        clock.start();
        for (int call = 0; call < batch; ++call)
            action();
        perCall.append(double(clock.nsecsElapsed()) / batch);
    }
    return perCall;
}

// A realistic sequence line without its line break: interval field of five
// characters and a blank, then two channel groups.
inline QString sequenceLine(int n)
{
    const int interval = 100 + (n * 37) % 4900;
    return QStringLiteral("Time%1 #%2P%3S300#%4P%5S300")
        .arg(QString::number(interval).leftJustified(5))
        .arg(n % 32)
        .arg(500 + (n * 7) % 2001)
        .arg((n + 5) % 32)
        .arg(2500 - (n * 13) % 2001);
}

// `lines` sequence lines as the editor holds them (CR line ends).
inline QString sequenceText(int lines)
{
    QString text;
    text.reserve(lines * 36);
    for (int n = 0; n < lines; ++n)
        text += sequenceLine(n) + u'\r';
    return text;
}

// The same as cmd.txt holds them (CR LF line ends).
inline QByteArray sequenceFile(int lines)
{
    QByteArray bytes;
    bytes.reserve(lines * 37);
    for (int n = 0; n < lines; ++n)
        bytes += sequenceLine(n).toLatin1() + "\r\n";
    return bytes;
}

// Notes the first paint of the widget it filters.
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

// Runs the event loop until `watch` has seen a paint.
inline void waitForPaint(PaintWatch &watch)
{
    QElapsedTimer clock;
    clock.start();
    while (!watch.painted && clock.elapsed() < 20000)
        QCoreApplication::processEvents();
    if (!watch.painted)
        qFatal("no paint");
}

} // namespace bench
