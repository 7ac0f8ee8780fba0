// SPDX-License-Identifier: MIT
#include "app/sequencefilemenu.h"
#include "core/programsettings.h"
#include "sequence/sequenceeditor.h"
#include "support/windowharness.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTextDocument>
#include "support/filebytes.h"
#include "support/testmain.h"

namespace {

bool setModified(const QString &path, const QDateTime &modified)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime);
}

} // namespace

// The file menu: save now, open another file's lines, save as, recent files.
class TestSequenceFileMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void openReplacesTheTextInOneUndoStep_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("LF") << QByteArray("Time100   #1P1500S300\nTime200   #2P1500S300\n")
                            << "Time100   #1P1500S300\rTime200   #2P1500S300\r";
        QTest::newRow("CR LF, no last break") << QByteArray("Time100   #1P1500S300\r\nx") << "Time100   #1P1500S300\rx";
        QTest::newRow("GBK") << QByteArray("Time100   #1P1500S300\xD6\xD0\r\n") << "Time100   #1P1500S300中\r";
        QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi Time100   #1P1500S300\\par}") << "Time100   #1P1500S300\r";
    }
    void openReplacesTheTextInOneUndoStep()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        WindowHarness h(startingWith("Time4800  #5P1500S300\r\n"));
        h.chosenFile = writeFile(QStringLiteral("other.txt"), bytes);
        action(h, "openAction").trigger();
        QCOMPARE(h.editor().text(), text);
        QVERIFY(h.window().isWindowModified());
        QCOMPARE(h.editor().selectionStart(), 0);
        h.editor().setSelectionStart(h.editor().lineStart(1));
        action(h, "undoAction").trigger();
        QCOMPARE(h.editor().text(), QStringLiteral("Time4800  #5P1500S300\r"));
        // The caret goes to the text's start, where the step changed it.
        QCOMPARE(h.editor().selectionStart(), 0);
        h.editor().setSelectionStart(h.editor().lineStart(1));
        action(h, "redoAction").trigger();
        QCOMPARE(h.editor().text(), text);
        QCOMPARE(h.editor().selectionStart(), 0);
        QVERIFY(h.notifier.shown.isEmpty());
    }

    void saveAsRoundTrips_data()
    {
        QTest::addColumn<QByteArray>("cmdTxt");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("UTF-8") << QByteArray("Time100   #1P1500S300 中\r\n")
                               << QByteArray("Time100   #1P1500S300 中\r\n");
        QTest::newRow("GBK stays GBK") << QByteArray("Time100   #1P1500S300 \xD6\xD0\r\n")
                                       << QByteArray("Time100   #1P1500S300 \xD6\xD0\r\n");
        QTest::newRow("UTF-16 becomes UTF-8") << QByteArray("\xFF\xFE"
                                                            "a\0\r\0\n\0",
                                                            8)
                                              << QByteArray("a\r\n");
    }
    void saveAsRoundTrips()
    {
        QFETCH(QByteArray, cmdTxt);
        QFETCH(QByteArray, written);
        WindowHarness h(startingWith(cmdTxt));
        const QString original = h.editor().text();
        h.chosenFile = m_dir.filePath(QStringLiteral("copy.txt"));
        action(h, "saveAsAction").trigger();
        QCOMPARE(readAll(h.chosenFile), written);
        QCOMPARE(h.sequenceFileBytes(), cmdTxt);

        // Opened again, it gives the same text back.
        h.editor().setText(QString());
        action(h, "openAction").trigger();
        QCOMPARE(h.editor().text(), original);
    }

    void recentFilesKeepTheLatestFirst()
    {
        WindowHarness h;
        const QString first = writeFile(QStringLiteral("first.txt"), "a\r\n");
        const QString second = writeFile(QStringLiteral("second.txt"), "b\r\n");
        for (const QString &path : {first, second, first}) {
            h.chosenFile = path;
            action(h, "openAction").trigger();
        }
        auto *recent = h.window().findChild<QMenu *>(QStringLiteral("recentMenu"));
        QVERIFY(recent);
        Q_EMIT recent->aboutToShow();
        QCOMPARE(recent->actions().size(), 2);
        QCOMPARE(recent->actions().at(0)->text(), QDir::toNativeSeparators(first));
        recent->actions().at(1)->trigger();
        QCOMPARE(h.editor().text(), QStringLiteral("b\r"));
        // The list of the operator's files is readable by the operator alone.
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther
                                                | QFileDevice::ExeOther;
        QVERIFY(QFile::exists(programsettings::path()));
        QCOMPARE(QFile::permissions(programsettings::path()) & others, QFileDevice::Permissions());
    }

    void saveWritesCmdTxtNow()
    {
        WindowHarness h(startingWith("Time100   #1P1500S300\r\n"));
        h.button("Command2").click();
        QVERIFY(h.window().isWindowModified());
        action(h, "saveAction").trigger();
        QCOMPARE(h.sequenceFileBytes(), QByteArray("Time100   #1P1500S300\r\nTime4800  \r\n"));
        QVERIFY(!h.window().isWindowModified());
        QVERIFY(h.notifier.shown.isEmpty());

        // A failed save says why and leaves the window as it was.
        h.button("Command2").click();
        QFile::remove(h.sequencePath());
        QVERIFY(QDir().mkdir(h.sequencePath()));
        h.notifier.confirmAnswer = true;
        action(h, "saveAction").trigger();
        QVERIFY(h.window().isWindowModified());
        QVERIFY(!h.notifier.shown.isEmpty());
        QVERIFY(h.notifier.shown.last().text.contains(h.sequencePath()));
        QVERIFY(QDir().rmdir(h.sequencePath()));
    }

    void anUnreadableFileIsReported()
    {
        WindowHarness h(startingWith("Time100   #1P1500S300\r\n"));
        h.chosenFile = writeFile(QStringLiteral("odd.txt"), QByteArray("Time100   #0P\x81\x20\r\n"));
        action(h, "openAction").trigger();
        QCOMPARE(h.notifier.shown.size(), 1);
        QVERIFY(h.notifier.shown[0].text.contains(QStringLiteral("odd.txt")));
        QCOMPARE(h.editor().text(), QStringLiteral("Time100   #1P1500S300\r"));
    }

    void saveAsWritesANameThatOpenLists_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("no suffix") << "walk"
                                   << "walk.txt";
        QTest::newRow(".txt") << "walk.txt"
                              << "walk.txt";
        QTest::newRow(".TXT") << "walk.TXT"
                              << "walk.TXT";
        QTest::newRow(".rtf") << "walk.rtf"
                              << "walk.rtf";
        QTest::newRow("another suffix") << "walk.v2"
                                        << "walk.v2.txt";
    }
    void saveAsWritesANameThatOpenLists()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        WindowHarness h(startingWith("Time100   #1P1500S300\r\n"));
        h.chosenFile = m_dir.filePath(chosen);
        action(h, "saveAsAction").trigger();
        QVERIFY(h.notifier.shown.isEmpty());
        QCOMPARE(readAll(m_dir.filePath(written)), QByteArray("Time100   #1P1500S300\r\n"));
        QVERIFY(QDir::match(SequenceFileMenu::sequencePatterns(), written));
        QFile::remove(m_dir.filePath(written));
    }

    // The title names the sequence file, a file opened into it, and marks
    // changes not yet saved.
    void theTitleFollowsTheSequence_data()
    {
        QTest::addColumn<QByteArray>("cmdTxt"); // empty: no cmd.txt
        QTest::addColumn<QString>("steps");     // e: edit, o: open walk.txt, s: save, u: undo, r: redo
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("modified");
        QTest::newRow("first start") << QByteArray() << ""
                                     << "cmd.txt[*]" << false;
        QTest::newRow("start") << QByteArray("Time100   #1P1500S300\r\n") << ""
                               << "cmd.txt[*]" << false;
        QTest::newRow("edited") << QByteArray() << "e"
                                << "cmd.txt[*]" << true;
        QTest::newRow("edited, saved") << QByteArray() << "es"
                                       << "cmd.txt[*]" << false;
        QTest::newRow("opened") << QByteArray() << "o"
                                << "cmd.txt ← walk.txt[*]" << true;
        QTest::newRow("opened, saved") << QByteArray() << "os"
                                       << "cmd.txt[*]" << false;
        // Undoing an opening brings back the text before it, and its name.
        QTest::newRow("opened, undone") << QByteArray("Time100   #1P1500S300\r\n") << "ou"
                                        << "cmd.txt[*]" << false;
        QTest::newRow("opened, undone, redone") << QByteArray() << "our"
                                                << "cmd.txt ← walk.txt[*]" << true;
        QTest::newRow("opened, edited, undone") << QByteArray() << "oeu"
                                                << "cmd.txt ← walk.txt[*]" << true;
        // Once saved, the opened lines are cmd.txt's: undone, cmd.txt's old text is the change.
        QTest::newRow("opened, saved, undone") << QByteArray() << "osu"
                                               << "cmd.txt[*]" << true;
        QTest::newRow("opened, saved, undone, redone") << QByteArray() << "osur"
                                                       << "cmd.txt[*]" << false;
    }
    void theTitleFollowsTheSequence()
    {
        QFETCH(QByteArray, cmdTxt);
        QFETCH(QString, steps);
        QFETCH(QString, title);
        QFETCH(bool, modified);
        WindowHarness::Options options;
        if (!cmdTxt.isEmpty())
            options.sequenceFile = cmdTxt;
        WindowHarness h(std::move(options));
        h.chosenFile = writeFile(QStringLiteral("walk.txt"), "Time200   #2P1500S300\r\n");
        for (const QChar step : steps) {
            if (step == u'e')
                h.button("Command2").click();
            else if (step == u'o')
                action(h, "openAction").trigger();
            else if (step == u'u')
                action(h, "undoAction").trigger();
            else if (step == u'r')
                action(h, "redoAction").trigger();
            else
                action(h, "saveAction").trigger();
        }
        QCOMPARE(h.window().windowTitle(), title);
        QCOMPARE(h.window().isWindowModified(), modified);
    }

    // Enter on the start-up question about a recovery copy keeps the work.
    void enterRestoresTheRecoveryCopy()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cmd.txt"));
        const QDateTime now = QDateTime::currentDateTime();
        QVERIFY(writeAll(path, "Time4800  #5P2000S300\r\n") && setModified(path, now.addSecs(-60)));
        QVERIFY(writeAll(path + QStringLiteral(".recovery"), "Time100   \r\n"));
        QTimer pressEnter;
        connect(&pressEnter, &QTimer::timeout, this, [] {
            if (QWidget *question = QApplication::activeModalWidget())
                QTest::keyClick(question, Qt::Key_Return);
        });
        pressEnter.start(10);
        MessageBoxNotifier notifier;
        Program program({std::make_unique<FakeSerialPort>(), &notifier, [] { return QStringList(); }, path});
        MainWindow &window = program.window();
        QCOMPARE(window.findChild<SequenceEditor *>(QStringLiteral("RichTextBox1"))->text(),
                 QStringLiteral("Time100   \r"));
    }

private:
    static WindowHarness::Options startingWith(const QByteArray &cmdTxt)
    {
        WindowHarness::Options options;
        options.sequenceFile = cmdTxt;
        return options;
    }
    static QAction &action(WindowHarness &h, const char *name)
    {
        auto *found = h.window().findChild<QAction *>(QString::fromLatin1(name));
        if (!found)
            qFatal("No action %s", name);
        return *found;
    }
    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.filePath(name);
        if (!writeAll(path, bytes))
            qFatal("Cannot write %s", qPrintable(path));
        return path;
    }

    QTemporaryDir m_dir;
};

SERVO_TEST_MAIN(TestSequenceFileMenu)
#include "tst_sequencefilemenu.moc"
