// SPDX-License-Identifier: MIT
// The program against the virtual board, measured where the board sees the
// bytes arrive: slider change to arrival, playback departure timing (idle and
// with two busy processes loading the machine), and the board window's frame
// rate during a continuous drag. Each figure: min / median / max over runs.

#include "benchutil.h"

#include "board/boardterminal.h"
#include "link/qtserialport.h"
#include "shared/virtualboards.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int runs = 3;

// A servo-board process and its trace, read as it grows.
class Board
{
public:
    explicit Board(QStringList arguments, const QMap<QString, QString> &environment = {})
    {
        m_trace.setFileName(m_dir.filePath(QStringLiteral("trace.jsonl")));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        for (auto it = environment.begin(); it != environment.end(); ++it)
            env.insert(it.key(), it.value());
        m_process.setProcessEnvironment(env);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(SERVO_BOARD_PATH), arguments << QStringLiteral("--trace") << m_trace.fileName());
        if (!m_process.waitForStarted() || !m_process.waitForReadyRead(5000))
            qFatal("servo-board did not start");
        m_port = QString::fromLocal8Bit(m_process.readLine()).section(u' ', 0, 0);
        if (!m_trace.open(QIODevice::ReadOnly))
            qFatal("no trace");
    }
    ~Board()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    QString port() const { return m_port; }
    QByteArray finish()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
        return m_process.readAll();
    }

    // Arrival times of the commands traced since the last call.
    QList<qint64> arrivals()
    {
        m_pending += m_trace.readAll();
        QList<qint64> times;
        for (qsizetype end; (end = m_pending.indexOf('\n')) >= 0; m_pending.remove(0, end + 1))
            times.append(QJsonDocument::fromJson(m_pending.left(end)).object()[u"arrival_us"].toInteger());
        return times;
    }

    // Waits (running the event loop) until `count` more commands arrived.
    QList<qint64> waitFor(qsizetype count, int timeoutMs = 10000)
    {
        QList<qint64> times;
        QElapsedTimer clock;
        clock.start();
        while (times.size() < count && clock.elapsed() < timeoutMs) {
            // Sleeps in the event loop between looks, leaving the cores to the
            // program's timer and the board.
            QEventLoop loop;
            QTimer::singleShot(1, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
            times += arrivals();
        }
        if (times.size() < count)
            qFatal("only %lld of %lld commands reached the board", times.size(), count);
        return times;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QFile m_trace;
    QByteArray m_pending;
    QString m_port;
};

std::unique_ptr<WindowHarness> connectedWindow(const QString &port, std::optional<QByteArray> sequence = {})
{
    WindowHarness::Options options;
    options.port = std::make_unique<QtSerialPort>();
    options.sequenceFile = std::move(sequence);
    auto harness = std::make_unique<WindowHarness>(std::move(options));
    harness->window().show();
    harness->connectTo(port);
    if (!harness->window().portIsOpen())
        qFatal("cannot connect to %s", qPrintable(port));
    return harness;
}

void report(const QString &label, const QList<double> &perRun, const char *unit)
{
    bench::figure(label + QStringLiteral(", min"), bench::percentile(perRun, 0), unit);
    bench::figure(label + QStringLiteral(", median"), bench::median(perRun), unit);
    bench::figure(label + QStringLiteral(", max"), bench::percentile(perRun, 100), unit);
}

void sliderToBoard()
{
    constexpr int changes = 1000;
    for (const bool paced : {true, false}) {
        QList<double> medians, p99s;
        for (int run = 0; run < runs; ++run) {
            Board board(paced ? QStringList{QStringLiteral("--headless")}
                              : QStringList{QStringLiteral("--headless"), QStringLiteral("--no-pacing")});
            auto harness = connectedWindow(board.port());
            harness->checkBox(5).setChecked(true);
            QList<double> latency;
            for (int i = 0; i < changes; ++i) {
                const qint64 changed = monotonicMicros();
                harness->slider(5).setValue(600 + i);
                latency.append(double(board.waitFor(1).first() - changed) / 1000.0);
            }
            medians.append(bench::median(latency));
            p99s.append(bench::percentile(latency, 99));
        }
        const QString line = paced ? QStringLiteral("paced at 115200 8N1") : QStringLiteral("unpaced (reference)");
        report(QStringLiteral("slider change to board, %1 changes, %2: median").arg(changes).arg(line), medians, "ms");
        report(QStringLiteral("slider change to board, %1: 99th percentile").arg(line), p99s, "ms");
    }
}

void playback(bool loaded)
{
    constexpr int lines = 200;
    constexpr int periodMs = 20;
    constexpr int firstTickMs = 100;
    QByteArray file;
    for (int n = 0; n < lines; ++n)
        file += QStringLiteral("Time%1 #1P%2S300\r\n")
                    .arg(QString::number(periodMs).leftJustified(5))
                    .arg(1000 + n)
                    .toLatin1();

    std::vector<std::unique_ptr<QProcess>> busy;
    if (loaded) {
        for (int i = 0; i < 2; ++i) {
            busy.push_back(std::make_unique<QProcess>());
            busy.back()->start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
            busy.back()->waitForStarted();
        }
    }
    QList<double> medians, p99s, worsts, drifts;
    for (int run = 0; run < runs; ++run) {
        Board board({QStringLiteral("--headless")});
        auto harness = connectedWindow(board.port(), file);
        const qint64 clicked = monotonicMicros();
        harness->button("RunCommand").click();
        const QList<qint64> arrival = board.waitFor(lines, lines * periodMs * 4 + 5000);
        QList<double> error;
        for (int n = 0; n < lines; ++n)
            error.append(double(arrival[n] - clicked - (firstTickMs + qint64(n) * periodMs) * 1000) / 1000.0);
        medians.append(bench::median(error));
        p99s.append(bench::percentile(error, 99));
        worsts.append(bench::percentile(error, 100));
        drifts.append(error.last() - error.first());
    }
    for (auto &process : busy) {
        process->kill();
        process->waitForFinished();
    }
    const QString load = loaded ? QStringLiteral("two busy processes") : QStringLiteral("idle machine");
    report(QStringLiteral("playback %1 lines at %2 ms, %3: departure error median").arg(lines).arg(periodMs).arg(load),
           medians, "ms");
    report(QStringLiteral("  departure error 99th percentile"), p99s, "ms");
    report(QStringLiteral("  departure error worst"), worsts, "ms");
    report(QStringLiteral("  drift (last line's error minus first's)"), drifts, "ms");
}

void boardFrameRate()
{
    constexpr int dragMs = 3000;
    constexpr int moveEveryMs = 8; // a mouse reports about 125 moves per second
    QList<double> rates;
    for (int run = 0; run < runs; ++run) {
        Board board({QStringLiteral("--frame-rate")},
                    {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}});
        auto harness = connectedWindow(board.port());
        harness->checkBox(5).setChecked(true); // column "1": the arm's base turn
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; clock.elapsed() < dragMs; ++i) {
            harness->slider(5).setValue(1000 + (i % 1000));
            QEventLoop loop;
            QTimer::singleShot(moveEveryMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
            loop.exec();
        }
        board.waitFor(1);
        const QByteArray out = board.finish();
        rates.append(out.mid(out.indexOf("frame-rate ") + 11).trimmed().toDouble());
    }
    report(QStringLiteral("board window frames per second during a %1 s drag (frame clock 60 Hz)").arg(dragMs / 1000),
           rates, "fps");
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The figures move with what else runs: the load is printed beside them.
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        std::printf("load average at start: %s", loadAverage.readLine().constData());
    bench::heading("virtual board: slider change to arrival");
    sliderToBoard();
    bench::heading("virtual board: playback departures measured at the board");
    playback(false);
    playback(true);
    bench::heading("virtual board: window frame rate");
    boardFrameRate();
    return 0;
}
