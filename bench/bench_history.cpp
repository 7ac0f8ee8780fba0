// SPDX-License-Identifier: MIT
// The sequence's undo history and long work on a long sequence.
//
// Memory: twenty pastes of a 90,000-line text over the whole of it in the
// editor, the resident memory they add; reference: what loading that text
// into the window takes.
//
// The window's longest wait for a key (limit: 100 ms) on 1,000,000 lines, in
// the main window with the workspace open: 拉长间隔以到位 over every row, its
// undo, and the first visit to the end of the sequence in the pose table right
// after the workspace opens. A thread of its own posts a stamped event to the
// window's thread every few ms, as a key would arrive; the longest any of them
// waited is the figure. Reference: the same window left idle. Each change is
// followed by the recovery copy of the whole text, written 3 s later: its
// wait is shown apart, and each figure is taken after it.

#include "benchutil.h"

#include "app/program.h"
#include "core/posetimeline.h"
#include "core/recoverycopy.h"
#include "link/qtserialport.h"
#include "sequence/sequenceeditor.h"
#include "support/recordingnotifier.h"
#include "workspace/workspacewindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QProgressDialog>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

constexpr int runs = 3;
constexpr int pastes = 20;
constexpr int pastedLines = 90'000;
constexpr int longLines = 1'000'000;
constexpr double keyLimitMs = 100;
constexpr auto probeEvery = std::chrono::milliseconds(5);

double residentMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/statm");
    return statm.readAll().split(' ').value(1).toDouble() * 4096 / 1e6;
}

// Stands for a key: posted from the probe's thread, stamped when posted.
class Stamp final : public QEvent
{
public:
    static QEvent::Type kind()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }
    explicit Stamp(qint64 at) : QEvent(kind()), postedNs(at) { }
    const qint64 postedNs;
};

// The longest wait of a posted event while the probe runs, and the most
// resident memory seen meanwhile.
class KeyProbe final : public QObject
{
public:
    KeyProbe() { m_clock.start(); }

    void start()
    {
        m_longestNs = 0;
        m_peakMb = residentMb();
        m_stop = false;
        m_thread = std::thread([this] {
            while (!m_stop) {
                QCoreApplication::postEvent(this, new Stamp(m_clock.nsecsElapsed()));
                std::this_thread::sleep_for(probeEvery);
            }
        });
    }
    // The longest wait, ms; the events still on their way are waited for.
    double stop()
    {
        m_stop = true;
        m_thread.join();
        QCoreApplication::sendPostedEvents(this);
        return double(m_longestNs) / 1e6;
    }
    double peakMb() const { return m_peakMb; }

    bool event(QEvent *event) override
    {
        if (event->type() != Stamp::kind())
            return QObject::event(event);
        m_longestNs = std::max(m_longestNs, m_clock.nsecsElapsed() - static_cast<Stamp *>(event)->postedNs);
        m_peakMb = std::max(m_peakMb, residentMb());
        return true;
    }

private:
    QElapsedTimer m_clock;
    std::thread m_thread;
    std::atomic_bool m_stop = false;
    qint64 m_longestNs = 0;
    double m_peakMb = 0;
};

// The main window as the program has it, on a home of its own.
struct Window {
    QTemporaryDir dir;
    RecordingNotifier notifier;
    Program program{{std::make_unique<QtSerialPort>(), &notifier, [] { return QStringList(); },
                     dir.filePath(QStringLiteral("cmd.txt")), SequenceFileMenu::fileDialogs(), nullptr,
                     dir.filePath(QStringLiteral("last-sent-pose.json"))}};
    MainWindow &window = program.window();
    SequenceEditor &editor = *window.findChild<SequenceEditor *>(QStringLiteral("RichTextBox1"));

    explicit Window(const QString &text)
    {
        editor.setText(text);
        window.show();
        QCoreApplication::processEvents();
    }
    QAction &action(const char *name) { return *window.findChild<QAction *>(QString::fromLatin1(name)); }
    WorkspaceWindow &openWorkspace()
    {
        action("workspaceAction").trigger();
        auto *workspace = window.findChild<WorkspaceWindow *>(QStringLiteral("workspace"));
        if (!workspace)
            qFatal("the workspace did not open");
        return *workspace;
    }
    bool working() const
    {
        const QList<QProgressDialog *> dialogs = window.findChildren<QProgressDialog *>();
        return std::any_of(dialogs.begin(), dialogs.end(), [](const QProgressDialog *d) { return d->isVisible(); });
    }
};

// Runs the event loop until `done`, the probe running from before `action`.
template <typename Action, typename Done>
QPair<double, double> watch(KeyProbe &probe, Action action, Done done)
{
    probe.start();
    const double ms = bench::timeOnce([&] {
                          action();
                          while (!done())
                              QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                      })
                      / 1e6;
    return {probe.stop(), ms};
}

// The event loop left to itself for `ms`; the longest wait meanwhile.
double idleFor(KeyProbe &probe, qint64 ms)
{
    QElapsedTimer clock;
    return watch(
               probe, [&] { clock.start(); }, [&] { return clock.elapsed() > ms; })
        .first;
}

// Long enough for the recovery copy of the last change to be written.
constexpr qint64 recoveryMs = RecoveryCopy::defaultDelay.count() + 1000;

void memory()
{
    bench::heading(qPrintable(QStringLiteral("%1 pastes of %2 lines over the whole text, resident memory added "
                                             "(min / median / max of %3 runs)")
                                  .arg(pastes)
                                  .arg(pastedLines)
                                  .arg(runs)));
    // Two texts in turn, so that each paste replaces a text unlike it.
    const QString text = bench::sequenceText(pastedLines);
    const QString other = QString(text).replace(u"S300"_qs, u"S301"_qs);
    QList<double> loaded, pasted, pasteMs, undoable;
    for (int run = 0; run < runs; ++run) {
        malloc_trim(0);
        const double before = residentMb();
        Window w(text);
        malloc_trim(0);
        loaded.append(residentMb() - before);
        const double start = residentMb();
        for (int paste = 0; paste < pastes; ++paste) {
            QGuiApplication::clipboard()->setText(paste % 2 ? text : other);
            pasteMs.append(bench::timeOnce([&] {
                               w.editor.selectAll();
                               w.editor.paste();
                               QCoreApplication::processEvents();
                           })
                           / 1e6);
        }
        malloc_trim(0);
        pasted.append(residentMb() - start);
        if (run == 0) {
            // How far back the history reaches.
            int steps = 0;
            for (; w.editor.sequence().canUndo(); ++steps)
                w.action("undoAction").trigger();
            undoable.append(steps);
        }
    }
    bench::spread(QStringLiteral("the text loaded into the window (reference)"), loaded, "MB");
    bench::spread(QStringLiteral("added by the %1 pastes").arg(pastes), pasted, "MB");
    bench::spread(QStringLiteral("a paste of %1 lines over the text, the window's part").arg(pastedLines), pasteMs,
                  "ms");
    bench::spread(QStringLiteral("pastes that can be undone (first run)"), undoable, "");
}

void keys()
{
    bench::heading(qPrintable(QStringLiteral("the longest wait for a key on %1 lines, limit %2 ms "
                                             "(min / median / max of %3 runs)")
                                  .arg(longLines)
                                  .arg(keyLimitMs)
                                  .arg(runs)));
    const QString text = bench::sequenceText(longLines);
    KeyProbe probe;
    QList<double> idle, recovery, selectAll, stretchKey, stretchMs, stretchPeak, undoKey, undoMs, visitKey, visitMs;
    for (int run = 0; run < runs; ++run) {
        {
            Window w(text);
            WorkspaceWindow &workspace = w.openWorkspace();
            idleFor(probe, recoveryMs);
            // The workspace folds the sequence in slices meanwhile, as it does.
            idle.append(idleFor(probe, 2000));
            // Every row selected: the table's own repaint of that, apart.
            workspace.table().selectAll();
            selectAll.append(idleFor(probe, 1000));
            const double before = residentMb();
            const auto [stretchWait, stretchTime] = watch(
                probe, [&] { workspace.stretchToFit().trigger(); },
                [&] { return w.editor.sequence().canUndo() && !w.working(); });
            stretchKey.append(stretchWait);
            stretchMs.append(stretchTime);
            stretchPeak.append(probe.peakMb() - before);
            recovery.append(idleFor(probe, recoveryMs));
            const auto [undoWait, undoTime] = watch(
                probe, [&] { w.action("undoAction").trigger(); },
                [&] { return w.editor.sequence().canRedo() && !w.working(); });
            undoKey.append(undoWait);
            undoMs.append(undoTime);
            if (w.editor.text() != text)
                qFatal("undo did not bring the text back");
        }
        Window w(text);
        idleFor(probe, recoveryMs);
        WorkspaceWindow &workspace = w.openWorkspace();
        const auto [visitWait, visitTime] = watch(
            probe, [&] { QTest::keyClick(&workspace.table(), Qt::Key_End, Qt::ControlModifier); },
            [&] { return workspace.timeline().folded(); });
        visitKey.append(visitWait);
        visitMs.append(visitTime);
        if (workspace.table().currentIndex().row() != longLines - 1)
            qFatal("Ctrl+End did not reach the last row");
    }
    const auto verdict = [](const QList<double> &waits) {
        bench::note(bench::percentile(waits, 100) <= keyLimitMs ? "within the limit" : "OVER the limit");
    };
    bench::spread(QStringLiteral("idle, the workspace folding (reference)"), idle, "ms");
    bench::spread(QStringLiteral("the recovery copy written 3 s after a change (apart)"), recovery, "ms");
    bench::spread(QStringLiteral("every row selected in the pose table (apart)"), selectAll, "ms");
    bench::spread(QStringLiteral("拉长间隔以到位 over every row"), stretchKey, "ms");
    verdict(stretchKey);
    bench::spread(QStringLiteral("  its length"), stretchMs, "ms");
    bench::spread(QStringLiteral("  resident memory it added at most"), stretchPeak, "MB");
    bench::spread(QStringLiteral("its undo"), undoKey, "ms");
    verdict(undoKey);
    bench::spread(QStringLiteral("  its length"), undoMs, "ms");
    bench::spread(QStringLiteral("Ctrl+End in the pose table as the workspace opens"), visitKey, "ms");
    verdict(visitKey);
    bench::spread(QStringLiteral("  until the whole sequence is folded"), visitMs, "ms");
}

} // namespace

int main(int argc, char **argv)
{
    // The windows keep their settings and recovery copies in a home of their own.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral(".config"))));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral(".local/share"))));
    QApplication app(argc, argv);
    // `bench_history keys` or `bench_history memory`: one half only.
    const QByteArray only = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (only != "keys")
        memory();
    if (only != "memory")
        keys();
    return 0;
}
