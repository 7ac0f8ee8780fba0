// SPDX-License-Identifier: MIT
#include "core/sequencestore.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/filebytes.h"
#include "support/testmain.h"

using namespace std::chrono_literals;

namespace {

const QByteArray loaded("Time4800  #5P2000S300\r\n");
const QString edited = QStringLiteral("Time100   #0P500S300\r");
const QByteArray editedOnDisk("Time100   #0P500S300\r\n");
const QByteArray otherProgram("Time900   #1P900S300\r\n");

// Answers every question with `yes` and records what was asked and told.
class RecordingOperator final : public SequenceStore::Operator
{
public:
    void sequenceUnreadable(const QString &, const QString &) override { asked << "unreadable"; }
    void sequenceInUse(const QString &) override { asked << "in use"; }
    Recovery offerRecovery(const QString &copyPath, const QString &) override
    {
        asked << "recovery";
        offered << QFileInfo(copyPath).fileName();
        return yes ? Recovery::Restore : Recovery::Discard;
    }
    bool overwriteChanged(const QString &, SequenceStore::Occasion) override { return answer("overwrite"); }
    void saveFailed(const QString &, const QString &) override { asked << "save failed"; }
    bool closeDespiteFailure(const QString &, const QString &) override { return answer("close anyway"); }
    void recoveryWriteFailed(const QString &, const QString &) override { asked << "copy failed"; }
    void keptUnsaved(const QString &, const std::optional<QString> &, const QString &,
                     const std::optional<QString> &copyError) override
    {
        asked << (copyError ? "kept nowhere" : "kept in copy");
    }

    bool answer(const char *question)
    {
        asked << question;
        return yes;
    }

    bool yes = true;
    QStringList asked;
    QStringList offered;
};

} // namespace

class TestSequenceStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_text;
    bool m_markedSaved = false;

    QString sequencePath() const { return m_dir->filePath(QStringLiteral("cmd.txt")); }

    std::unique_ptr<SequenceStore> start(RecordingOperator &asker)
    {
        auto store = std::make_unique<SequenceStore>(sequencePath(), 1h);
        store->startUp({[this] { return m_text; }, [this](const QString &text) { m_text = text; },
                        [this] { m_markedSaved = true; }},
                       asker);
        return store;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(writeAll(sequencePath(), loaded));
        m_text.clear();
    }

    // One rule for the file menu's 保存, closing the window and a signal.
    void theSaveRule_data()
    {
        QTest::addColumn<QString>("caller"); // "save now", "close", "signal"
        QTest::addColumn<QString>("fault");  // "", "changed on disk", "read-only"
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("yes");  // the operator's answer to any question
        QTest::addColumn<bool>("done"); // saved / may close
        QTest::addColumn<QByteArray>("onDisk");
        QTest::addColumn<bool>("inCopy"); // the edit is in the recovery copy afterwards
        QTest::addColumn<QStringList>("asked");

        const QStringList none;
        for (const char *caller : {"save now", "close", "signal"}) {
            QTest::addRow("%s: nothing changed, file changed on disk", caller)
                << QString::fromLatin1(caller) << QStringLiteral("changed on disk") << false << true << true
                << otherProgram << false << none;
            QTest::addRow("%s: edit", caller)
                << QString::fromLatin1(caller) << QString() << true << true << true << editedOnDisk << false << none;
        }
        QTest::newRow("save now: changed on disk, overwrite")
            << QStringLiteral("save now") << QStringLiteral("changed on disk") << true << true << true << editedOnDisk
            << false << QStringList{"overwrite"};
        QTest::newRow("save now: changed on disk, keep theirs")
            << QStringLiteral("save now") << QStringLiteral("changed on disk") << true << false << false << otherProgram
            << false << QStringList{"overwrite"};
        QTest::newRow("save now: read-only") << QStringLiteral("save now") << QStringLiteral("read-only") << true
                                             << true << false << loaded << false << QStringList{"save failed"};
        QTest::newRow("close: changed on disk, overwrite")
            << QStringLiteral("close") << QStringLiteral("changed on disk") << true << true << true << editedOnDisk
            << false << QStringList{"overwrite"};
        QTest::newRow("close: changed on disk, stay open")
            << QStringLiteral("close") << QStringLiteral("changed on disk") << true << false << false << otherProgram
            << false << QStringList{"overwrite"};
        QTest::newRow("close: read-only, close anyway")
            << QStringLiteral("close") << QStringLiteral("read-only") << true << true << true << loaded << true
            << QStringList{"close anyway"};
        QTest::newRow("close: read-only, stay open")
            << QStringLiteral("close") << QStringLiteral("read-only") << true << false << false << loaded << false
            << QStringList{"close anyway"};
        QTest::newRow("signal: changed on disk")
            << QStringLiteral("signal") << QStringLiteral("changed on disk") << true << true << true << otherProgram
            << true << QStringList{"kept in copy"};
        QTest::newRow("signal: read-only") << QStringLiteral("signal") << QStringLiteral("read-only") << true << true
                                           << true << loaded << true << QStringList{"kept in copy"};
    }
    void theSaveRule()
    {
        QFETCH(QString, caller);
        QFETCH(QString, fault);
        QFETCH(bool, edit);
        QFETCH(bool, yes);
        QFETCH(bool, done);
        QFETCH(QByteArray, onDisk);
        QFETCH(bool, inCopy);
        QFETCH(QStringList, asked);

        RecordingOperator asker;
        asker.yes = yes;
        const auto store = start(asker);
        QVERIFY(asker.asked.isEmpty());
        if (edit)
            m_text = edited;
        if (fault == u"changed on disk")
            QVERIFY(writeAll(sequencePath(), otherProgram + otherProgram.left(3))
                    && writeAll(sequencePath(), otherProgram));
        if (fault == u"read-only")
            QVERIFY(QFile::setPermissions(sequencePath(), QFileDevice::ReadOwner));
        m_markedSaved = false;

        bool result = false;
        if (caller == u"save now") {
            result = store->saveNow();
        } else {
            if (caller == u"signal")
                store->endUnattended();
            result = store->saveOnClose();
        }
        QCOMPARE(result, done);
        QCOMPARE(asker.asked, asked);
        QCOMPARE(readAll(sequencePath()), onDisk);
        QCOMPARE(m_markedSaved, onDisk == editedOnDisk || !edit);
        QCOMPARE(readAll(store->recoveryPath()), inCopy ? editedOnDisk : QByteArray());
    }

    // Recovery copies on disk at start-up: whose they are decides what is offered.
    void recoveryCopiesAtStartUp_data()
    {
        QTest::addColumn<bool>("runningCopy"); // cmd.txt.recovery is held by a running copy
        QTest::addColumn<bool>("orphan");      // cmd.txt.recovery-2 was left by a killed one
        QTest::addColumn<bool>("restore");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("ownCopy");
        QTest::newRow("alone") << false << false << true << QStringList() << "cmd.txt.recovery";
        QTest::newRow("beside a running copy")
            << true << false << true << QStringList{"in use"} << "cmd.txt.recovery-2";
        QTest::newRow("a killed copy's, restored")
            << false << true << true << QStringList{"recovery"} << "cmd.txt.recovery-2";
        QTest::newRow("a killed copy's, declined")
            << false << true << false << QStringList{"recovery"} << "cmd.txt.recovery";
        QTest::newRow("both") << true << true << true << QStringList{"in use", "recovery"} << "cmd.txt.recovery-2";
    }
    void recoveryCopiesAtStartUp()
    {
        QFETCH(bool, runningCopy);
        QFETCH(bool, orphan);
        QFETCH(bool, restore);
        QFETCH(QStringList, asked);
        QFETCH(QString, ownCopy);
        const QString held = sequencePath() + QStringLiteral(".recovery");
        const QString left = sequencePath() + QStringLiteral(".recovery-2");
        QLockFile otherCopy(held + QStringLiteral(".lock"));
        otherCopy.setStaleLockTime(0);
        if (runningCopy) {
            QVERIFY(otherCopy.tryLock(0));
            QVERIFY(writeAll(held, otherProgram));
        }
        if (orphan) {
            QVERIFY(writeAll(left, editedOnDisk));
            QFile file(left);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime));
        }

        RecordingOperator asker;
        asker.yes = restore;
        const auto store = start(asker);
        QCOMPARE(asker.asked, asked);
        QCOMPARE(asker.offered, orphan ? QStringList{"cmd.txt.recovery-2"} : QStringList());
        QCOMPARE(m_text, orphan && restore ? edited : QString::fromLatin1(loaded).chopped(1));
        QCOMPARE(QFileInfo(store->recoveryPath()).fileName(), ownCopy);
        QCOMPARE(QFile::exists(left), orphan && restore);

        // Saved: this copy's own recovery copy goes, never the running one's.
        QVERIFY(store->saveNow());
        QVERIFY(!QFile::exists(store->recoveryPath()));
        QCOMPARE(readAll(held), runningCopy ? otherProgram : QByteArray());
    }
};

SERVO_TEST_MAIN(TestSequenceStore)
#include "tst_sequencestore.moc"
