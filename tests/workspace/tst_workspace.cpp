// SPDX-License-Identifier: MIT
#include "sequence/editorlines.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"
#include "workspace/workspacewindow.h"

#include <QAction>
#include <QTableView>
#include <QTest>
#include "support/testmain.h"

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

} // namespace

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
};

SERVO_TEST_MAIN(TestWorkspace)
#include "tst_workspace.moc"
