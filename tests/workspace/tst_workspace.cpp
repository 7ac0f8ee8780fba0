// SPDX-License-Identifier: MIT
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"
#include "core/posetimeline.h"
#include "engine/engine.h"
#include "engine/playback.h"
#include "workspace/posetablemodel.h"
#include "workspace/timelineview.h"
#include "workspace/workspacewindow.h"

#include <QAbstractItemModelTester>
#include <QWheelEvent>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTest>
#include "support/testmain.h"

#include <optional>

namespace {

WorkspaceWindow &openWorkspace(WindowHarness &h)
{
    h.window().findChild<QAction *>(u"workspaceAction"_qs)->trigger();
    auto *workspace = h.window().findChild<WorkspaceWindow *>(u"workspace"_qs);
    if (!workspace)
        qFatal("the workspace did not open");
    return *workspace;
}

QStringList captions(const QAbstractItemModel &model)
{
    QStringList captions;
    for (int column = 0; column < model.columnCount(); ++column)
        captions.append(model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString());
    return captions;
}

QString cell(const QTableView &table, int row, int column)
{
    return table.model()->index(row, column).data().toString();
}

// Where, in column `x`, a line of colour `colour` is drawn: the middle of the
// pixels of its hue (an antialiased line is its colour blended with what is
// behind), none when no pixel there is of it.
std::optional<double> rowOfColour(const QImage &image, int x, QColor colour)
{
    constexpr int leastSaturation = 60;
    constexpr int hueTolerance = 15;
    double weight = 0;
    double sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QColor pixel = image.pixelColor(x, y);
        const int apart = std::abs(pixel.hsvHue() - colour.hsvHue());
        if (pixel.hsvSaturation() < leastSaturation || std::min(apart, 360 - apart) > hueTolerance)
            continue;
        weight += pixel.hsvSaturation();
        sum += pixel.hsvSaturation() * (y + 0.5);
    }
    if (weight == 0)
        return std::nullopt;
    return sum / weight;
}

} // namespace

Q_DECLARE_METATYPE(easing::Curve)

// 动作工作台: the pose table as a view of the sequence, and stretch-to-fit.
class TestWorkspace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableShowsEveryPoseAndFollowsTheEditor()
    {
        WindowHarness h;
        h.editor().setText(u"Time1000  #5P2000S300\rTime2000  #0P1400S9000\r"_qs);
        WorkspaceWindow &workspace = openWorkspace(h);
        QVERIFY(workspace.isWindow());
        QTableView &table = workspace.table();
        QCOMPARE(table.objectName(), u"poseTable"_qs);
        QTRY_COMPARE(captions(*table.model()), (QStringList{u"行"_qs, u"间隔 (ms)"_qs, u"#0"_qs, u"#5"_qs, u"字节"_qs,
                                                            u"线路"_qs, u"到位"_qs, u"检查"_qs}));
        QCOMPARE(cell(table, 0, 2), u"1500"_qs); // from rest
        QCOMPARE(cell(table, 0, 3), u"2000"_qs);
        QCOMPARE(cell(table, 1, 3), u"2000"_qs); // held from the line before
        QCOMPARE(cell(table, 0, 4), u"12"_qs);
        QVERIFY(cell(table, 0, 7).startsWith(u"来不及到位 需要 1670 ms，间隔 1000 ms"_qs));
        QCOMPARE(cell(table, 1, 7), QString());

        // Typed into the editor: the table follows, row and columns.
        QTextCursor end = h.editor().textCursor();
        end.movePosition(QTextCursor::End);
        h.editor().setTextCursor(end);
        QTest::keyClicks(&h.editor(), u"Time100   #9P2500S100"_qs);
        QCOMPARE(table.model()->rowCount(), 3);
        QTRY_VERIFY(captions(*table.model()).contains(u"#9"_qs));
        QCOMPARE(cell(table, 2, 1), u"100"_qs);
        QVERIFY(cell(table, 2, table.model()->columnCount() - 1).startsWith(u"来不及到位"_qs));
    }

    // One row per line of the sequence: the empty line after a final line
    // break is none, while the editor keeps the text as it is.
    void oneRowPerLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("typed"); // at the end of the text; \b: backspace
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("rows");
        QTest::newRow("a final break") << u"a\rb\r"_qs << QString() << u"a\rb\r"_qs << 2;
        QTest::newRow("empty") << QString() << QString() << QString() << 0;
        QTest::newRow("an empty line inside") << u"a\r\rb\r"_qs << QString() << u"a\r\rb\r"_qs << 3;
        QTest::newRow("a break typed at the end") << u"a\rb"_qs << u"\r"_qs << u"a\rb\r"_qs << 2;
        QTest::newRow("a line typed after the final break") << u"a\rb\r"_qs << u"c"_qs << u"a\rb\rc"_qs << 3;
        QTest::newRow("the final break taken back") << u"a\rb\r"_qs << u"\b"_qs << u"a\rb"_qs << 2;
        QTest::newRow("the last line emptied") << u"a\rb"_qs << u"\b"_qs << u"a\r"_qs << 1;
        QTest::newRow("into an empty text") << QString() << u"a"_qs << u"a"_qs << 1;
    }
    void oneRowPerLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, typed);
        QFETCH(QString, after);
        QFETCH(int, rows);
        WindowHarness h;
        h.editor().setText(text);
        WorkspaceWindow &workspace = openWorkspace(h);
        // Every row inserted and removed as the model says.
        QAbstractItemModelTester tester(workspace.table().model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        h.editor().setSelectionStart(h.editor().sequence().length());
        for (const QChar key : typed) {
            if (key == u'\b')
                QTest::keyClick(&h.editor(), Qt::Key_Backspace);
            else if (key == u'\r')
                QTest::keyClick(&h.editor(), Qt::Key_Return);
            else
                QTest::keyClick(&h.editor(), key.toLatin1());
        }
        QCOMPARE(h.editor().text(), after);
        QCOMPARE(workspace.table().model()->rowCount(), rows);
        QCOMPARE(workspace.timeline().lineCount(), rows);
    }

    // The timeline draws over a picture it keeps: after each change it shows
    // what a timeline drawn afresh shows.
    void timelineShowsEachChange_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("lines"); // of 100 ms; fewer than a chunk of the fold, or more
        QTest::newRow("a pulse edited") << 0 << 40;
        QTest::newRow("scrolled") << 1 << 400;
        QTest::newRow("another line selected") << 2 << 40;
        QTest::newRow("another line selected, a long sequence") << 2 << 400;
        QTest::newRow("the playhead moved") << 3 << 40;
    }
    void timelineShowsEachChange()
    {
        QFETCH(int, change);
        QFETCH(int, lines);
        WindowHarness h;
        QString text;
        for (int line = 0; line < lines; ++line)
            text += u"Time100   #5P%1S900\r"_qs.arg(1000 + line * 25);
        h.editor().setText(text);
        WorkspaceWindow &workspace = openWorkspace(h);
        auto *shown = workspace.findChild<TimelineView *>(u"timeline"_qs);
        QVERIFY(shown);
        shown->resize(400, 200);
        QTRY_VERIFY(workspace.timeline().folded());
        shown->setPlayhead(3);
        const QImage before = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);
        switch (change) {
        case 0:
            h.editor().select(h.editor().lineStart(1) + 12, 4);
            h.editor().setSelectedText(u"2400"_qs);
            QTRY_VERIFY(workspace.timeline().folded());
            break;
        case 1:
            shown->horizontalScrollBar()->setValue(shown->horizontalScrollBar()->value() + 300);
            break;
        case 2:
            shown->setSelectedLine(7);
            break;
        case 3:
            shown->setPlayhead(9);
            break;
        }
        const QImage after = shown->grab().toImage().convertToFormat(QImage::Format_RGB32);

        TimelineView fresh(workspace.timeline());
        fresh.resize(shown->size());
        fresh.horizontalScrollBar()->setValue(shown->horizontalScrollBar()->value());
        fresh.setSelectedLine(change == 2 ? 7 : editorlines::caretPosition(h.editor()).line);
        fresh.setPlayhead(change == 3 ? 9 : 3);
        QVERIFY(after != before);
        QCOMPARE(after, fresh.grab().toImage().convertToFormat(QImage::Format_RGB32));
    }

    // An eased channel is drawn along its curve as its steps take it, beside a
    // channel that is not, drawn as the board's straight ramp: both from rest
    // to 2000 µs in a second.
    void timelineDrawsEasedLines_data()
    {
        QTest::addColumn<easing::Curve>("curve");
        QTest::newRow("inOutCubic") << easing::Curve::InOutCubic;
        QTest::newRow("outQuad") << easing::Curve::OutQuad;
    }
    void timelineDrawsEasedLines()
    {
        QFETCH(easing::Curve, curve);
        WindowHarness h(WindowHarness::Options{}, R"({"version": 1, "channels": {"0": {"easing": ")"
                                                      + easing::name(curve).toLatin1() + R"("}}})");
        h.editor().setText(u"Time1500  #0P2000#1P2000T1000\rTime1500  #0P1000#1P1000T1000\r"_qs);
        WorkspaceWindow &workspace = openWorkspace(h);
        auto *shown = workspace.findChild<TimelineView *>(u"timeline"_qs);
        QVERIFY(shown);
        shown->resize(400, 200);
        QTRY_VERIFY(workspace.timeline().folded());
        // Zoomed in about its left edge.
        for (int step = 0; step < 5; ++step) {
            QWheelEvent wheel(QPointF(0, 50), shown->viewport()->mapToGlobal(QPointF(0, 50)), {}, {0, 120},
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(shown->viewport(), &wheel);
        }
        const QImage picture = shown->viewport()->grab().toImage();
        const PoseTimeline::Row &row = workspace.timeline().row(0);
        QVERIFY(!row.steps.isEmpty());
        const qint64 startUs = row.steps.first().atUs;
        int compared = 0;
        // Right of the channels' labels, until both have arrived.
        for (int x = 40; x * shown->usPerPixel() < startUs + 1'000'000; x += 5) {
            const double share = double(x * shown->usPerPixel() - startUs) / 1e6;
            const double eased = shown->yOf(motion::restPulse + 500 * easing::progress(curve, share));
            const double straight = shown->yOf(motion::restPulse + 500 * share);
            if (std::abs(eased - straight) < 4)
                continue; // where they cross, one hides the other
            const std::optional<double> easedAt = rowOfColour(picture, x, TimelineView::channelColour(0));
            const std::optional<double> straightAt = rowOfColour(picture, x, TimelineView::channelColour(1));
            QVERIFY2(easedAt && std::abs(*easedAt - eased) <= 1.5,
                     qPrintable(u"#0 at x %1: row %2, not %3"_qs.arg(x).arg(easedAt.value_or(-1)).arg(eased)));
            QVERIFY2(straightAt && std::abs(*straightAt - straight) <= 1.5,
                     qPrintable(u"#1 at x %1: row %2, not %3"_qs.arg(x).arg(straightAt.value_or(-1)).arg(straight)));
            ++compared;
        }
        QVERIFY(compared >= 10);
    }

    void channelLabelsDoNotOverlap_data()
    {
        QTest::addColumn<QList<double>>("wanted");
        QTest::addColumn<QList<double>>("placed");
        QTest::newRow("apart: where wanted") << QList<double>{10, 50} << QList<double>{10, 50};
        QTest::newRow("at the same pulse: one under the other")
            << QList<double>{40, 40, 40} << QList<double>{40, 50, 60};
        QTest::newRow("in any order") << QList<double>{45, 40} << QList<double>{50, 40};
        QTest::newRow("pushed up from the bottom") << QList<double>{95, 95} << QList<double>{80, 90};
        QTest::newRow("above the top") << QList<double>{-5} << QList<double>{0};
    }
    void channelLabelsDoNotOverlap()
    {
        QFETCH(QList<double>, wanted);
        QFETCH(QList<double>, placed);
        QCOMPARE(TimelineView::spreadLabels(wanted, 10, 0, 100), placed);
    }

    void rowAndCaretFollowEachOther()
    {
        WindowHarness h;
        h.editor().setText(u"Time1000  #5P2000S300\rTime2000  #0P1400S9000\rTime2000  #0P1500S9000"_qs);
        WorkspaceWindow &workspace = openWorkspace(h);
        workspace.table().selectRow(2);
        QCOMPARE(editorlines::caretPosition(h.editor()).line, 2);
        h.editor().setSelectionStart(h.editor().lineStart(1));
        QCOMPARE(workspace.table().currentIndex().row(), 1);
    }

    void stretchToFitIsOneUndoStep()
    {
        WindowHarness h;
        const QString before = u"Time1000  #5P2000S300\rTime 200  #5P1000S9000\rTime2000  #0P1400S9000"_qs;
        h.editor().setText(before);
        WorkspaceWindow &workspace = openWorkspace(h);
        workspace.table().selectAll();
        workspace.stretchToFit().trigger();
        // The rows selected are let go, the first of them kept.
        QCOMPARE(workspace.table().selectionModel()->selectedRows(),
                 QModelIndexList{workspace.table().model()->index(0, 0)});
        // At the port's 115200 baud: 1 ms on the wire, then 1667 ms and 150 ms.
        QCOMPARE(h.editor().text(), u"Time1670  #5P2000S300\rTime 200  #5P1000S9000\rTime2000  #0P1400S9000"_qs);
        QVERIFY(cell(workspace.table(), 0, workspace.table().model()->columnCount() - 1).isEmpty());
        h.window().findChild<QAction *>(u"undoAction"_qs)->trigger();
        QCOMPARE(h.editor().text(), before);
    }

    void armViewGoesBesideTheViews()
    {
        WindowHarness h;
        WorkspaceWindow &workspace = openWorkspace(h);
        auto *armView = new QWidget;
        armView->setObjectName(u"armView"_qs);
        workspace.addArmView(armView);
        QCOMPARE(workspace.findChild<QWidget *>(u"armView"_qs), armView);
        QVERIFY(armView->isVisibleTo(&workspace));
    }

    // The main window's actions act from the workspace and from its table,
    // by their keys: F5 runs and Esc stops playback, Ctrl+Shift+D duplicates
    // a line and Ctrl+Z undoes it.
    void keysActFromTheWorkspace_data()
    {
        QTest::addColumn<bool>("inTable"); // the key goes to the table, else to the window
        QTest::newRow("the window") << false;
        QTest::newRow("the table") << true;
    }
    void keysActFromTheWorkspace()
    {
        QFETCH(bool, inTable);
        WindowHarness h;
        h.connectTo(u"COM1"_qs);
        const QString before = u"Time1000  #5P2000S300\rTime1000  #5P1000S300\r"_qs;
        h.editor().setText(before);
        h.window().show();
        WorkspaceWindow &workspace = openWorkspace(h);
        QVERIFY(QTest::qWaitForWindowActive(&workspace));
        QWidget &receiver = inTable ? static_cast<QWidget &>(workspace.table()) : workspace;
        if (inTable)
            workspace.table().setFocus();
        const Playback &playback = h.engine().playback();
        QTest::keyClick(&receiver, Qt::Key_F5);
        QCOMPARE(playback.state(), Playback::State::Running);
        QTest::keyClick(&receiver, Qt::Key_Escape);
        QCOMPARE(playback.state(), Playback::State::Stopped);
        QTest::keyClick(&receiver, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(h.editor().text().count(u'\r'), before.count(u'\r') + 1);
        QTest::keyClick(&receiver, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(h.editor().text(), before);
    }

    // A value typed into the table (F2 or Enter, then Enter): the line changes
    // as one undo step, only that number; a bad value is refused with the
    // reason beside the table, and nothing changes.
    void typedValue_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("channel"); // -1: the interval
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("line"); // after; empty: refused
        QTest::newRow("an interval") << 0 << -1 << u"1500"_qs << u"Time1500  #5P2000S300#6P1800S300"_qs;
        QTest::newRow("an interval too short") << 0 << -1 << u"50"_qs << QString();
        QTest::newRow("an interval that is no number") << 1 << -1 << u"12a"_qs << QString();
        QTest::newRow("a pulse") << 0 << 5 << u"1234"_qs << u"Time1000  #5P1234S300#6P1800S300"_qs;
        QTest::newRow("a pulse, the last of its channel's groups")
            << 1 << 5 << u"900"_qs << u"Time2000  #5P1000S300#5P900S300"_qs;
        QTest::newRow("a pulse past the channel's range") << 0 << 6 << u"2600"_qs << QString();
        QTest::newRow("a pulse the line does not set") << 1 << 6 << u"1600"_qs << QString();
    }
    void typedValue()
    {
        QFETCH(int, row);
        QFETCH(int, channel);
        QFETCH(QString, typed);
        QFETCH(QString, line);
        WindowHarness h;
        const QString before = u"Time1000  #5P2000S300#6P1800S300\rTime2000  #5P1000S300#5P1200S300\r"_qs;
        h.editor().setText(before);
        h.window().show();
        WorkspaceWindow &workspace = openWorkspace(h);
        QVERIFY(QTest::qWaitForWindowActive(&workspace));
        QTableView &table = workspace.table();
        auto &model = *qobject_cast<PoseTableModel *>(table.model());
        QTRY_VERIFY(model.channelAt(PoseTableModel::FirstChannelColumn) >= 0); // the fold found the channels
        int column = PoseTableModel::IntervalColumn;
        for (int c = 0; channel >= 0 && c < model.columnCount(); ++c) {
            if (model.channelAt(c) == channel)
                column = c;
        }
        table.setFocus();
        table.setCurrentIndex(model.index(row, column));
        // The platform's edit key on one row, Enter on the other.
        QTest::keyClick(&table, row == 0 ? Qt::Key_F2 : Qt::Key_Return);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(typed);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the delegate commits after the key
        const QString shown = workspace.findChild<QLabel *>(u"tableAnswer"_qs)->text();
        if (line.isEmpty()) {
            QCOMPARE(h.editor().text(), before);
            QVERIFY(!shown.isEmpty());
            return;
        }
        QCOMPARE(h.editor().text().split(u'\r').at(row), line);
        QVERIFY(shown.isEmpty());
        h.window().findChild<QAction *>(u"undoAction"_qs)->trigger();
        QCOMPARE(h.editor().text(), before);
    }

    // A row's menu: the sequence's actions, the same objects as the main
    // window's, with the current line moved to that row first.
    void rowMenu()
    {
        WindowHarness h;
        h.editor().setText(u"Time1000  #5P2000S300\rTime2000  #5P1000S300\rTime 500  #5P1500S300\r"_qs);
        h.window().show();
        WorkspaceWindow &workspace = openWorkspace(h);
        QVERIFY(QTest::qWaitForWindowActive(&workspace));
        QTableView &table = workspace.table();
        QStringList offered;
        QTimer::singleShot(0, [&] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                for (const QAction *action : menu->actions())
                    offered.append(action->objectName());
                menu->close();
            }
        });
        const QPoint onRow = table.visualRect(table.model()->index(2, 1)).center();
        Q_EMIT table.customContextMenuRequested(onRow);
        QCOMPARE(editorlines::caretPosition(h.editor()).line, 2);
        QCOMPARE(offered, (QStringList{u"loadPoseAction"_qs, u"runFromCaretAction"_qs, u"duplicateLineAction"_qs,
                                       u"deleteLineAction"_qs, u"moveLineUpAction"_qs, u"moveLineDownAction"_qs,
                                       u"stretchToFitAction"_qs}));
        for (const QString &name : offered.first(offered.size() - 1))
            QVERIFY(workspace.actions().contains(h.window().findChild<QAction *>(name)));
    }
};

SERVO_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
