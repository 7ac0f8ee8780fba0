// SPDX-License-Identifier: MIT
#include "core/recoverycopy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include "support/testmain.h"

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds delay = 50ms;

bool writeAll(const QString &path, const QByteArray &bytes, const QDateTime &modified)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
           && file.setFileTime(modified, QFileDevice::FileModificationTime);
}

// Lets every timer due within twice the copy's delay run.
void runDueTimers()
{
    bool passed = false;
    QTimer::singleShot(2 * delay, [&passed] { passed = true; });
    QTRY_VERIFY(passed);
}

} // namespace

class TestRecoveryCopy : public QObject
{
    Q_OBJECT

    QString sequencePath() const { return m_dir->filePath(QStringLiteral("cmd.txt")); }
    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<QString> m_unsaved;

    std::unique_ptr<RecoveryCopy> makeCopy()
    {
        return std::make_unique<RecoveryCopy>(
            recoverycopies::name(sequencePath(), 1), [this] { return m_unsaved; }, delay);
    }

    QStringList entries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_unsaved.reset();
    }

    void followsTheLastChangeAndGoesWhenSaved()
    {
        const auto copy = makeCopy();
        m_unsaved = QStringLiteral("Time100   \r中\r");
        copy->textChanged();
        QVERIFY(!QFile::exists(copy->path())); // not at once: a few moments after the last change
        QTRY_VERIFY(QFile::exists(copy->path()));
        QCOMPARE(recoverycopies::newerThanSequence(copy->path(), sequencePath()), m_unsaved);
        QCOMPARE(entries(), QStringList{"cmd.txt.recovery"}); // written whole, nothing left beside it

        m_unsaved = QStringLiteral("Time200   \r");
        QCOMPARE(copy->writeNow(), std::nullopt);
        QCOMPARE(recoverycopies::newerThanSequence(copy->path(), sequencePath()), m_unsaved);

        // The editor came back to what the file holds.
        m_unsaved.reset();
        copy->textChanged();
        QTRY_VERIFY(!QFile::exists(copy->path()));

        m_unsaved = QStringLiteral("Time300   \r");
        copy->textChanged();
        copy->discard();
        runDueTimers();
        QVERIFY(entries().isEmpty());
    }

    void aCopyThatCannotBeWrittenIsReportedOnce()
    {
        QVERIFY(QDir().mkdir(m_dir->filePath(QStringLiteral("cmd.txt.recovery"))));
        const auto copy = makeCopy();
        QStringList reasons;
        connect(copy.get(), &RecoveryCopy::writeFailed, this, [&reasons](const QString &reason) { reasons << reason; });
        m_unsaved = QStringLiteral("Time100   \r");
        copy->textChanged();
        QTRY_COMPARE(reasons.size(), 1);
        QVERIFY(!reasons[0].isEmpty());
        QVERIFY(copy->writeNow().has_value());
        copy->textChanged();
        runDueTimers();
        QCOMPARE(reasons.size(), 1);
    }

    void offeredOnlyWhenNewerThanTheSequence_data()
    {
        QTest::addColumn<int>("sequenceAgeSeconds"); // -1: no cmd.txt
        QTest::addColumn<int>("copyAgeSeconds");     // -1: no copy
        QTest::addColumn<bool>("offered");
        QTest::newRow("newer") << 60 << 10 << true;
        QTest::newRow("older") << 10 << 60 << false;
        QTest::newRow("no cmd.txt") << -1 << 60 << true;
        QTest::newRow("no copy") << 10 << -1 << false;
    }
    void offeredOnlyWhenNewerThanTheSequence()
    {
        QFETCH(int, sequenceAgeSeconds);
        QFETCH(int, copyAgeSeconds);
        QFETCH(bool, offered);
        const QDateTime now = QDateTime::currentDateTime();
        const auto copy = makeCopy();
        if (sequenceAgeSeconds >= 0)
            QVERIFY(writeAll(sequencePath(), "Time100   \r\n", now.addSecs(-sequenceAgeSeconds)));
        if (copyAgeSeconds >= 0)
            QVERIFY(writeAll(copy->path(), "Time200   \r\n", now.addSecs(-copyAgeSeconds)));
        QCOMPARE(recoverycopies::newerThanSequence(copy->path(), sequencePath()),
                 offered ? std::optional(QStringLiteral("Time200   \r")) : std::nullopt);
    }

    // The copy holds what the operator has not saved: nobody else may read it,
    // and a link planted in its place is replaced, its target left alone.
    void theCopyIsPrivateAndNeverWrittenThroughALink_data()
    {
        QTest::addColumn<bool>("plantedLink");
        QTest::addColumn<bool>("earlierCopy"); // a copy of mode 0644 from before
        QTest::newRow("new copy") << false << false;
        QTest::newRow("earlier copy") << false << true;
        QTest::newRow("planted link") << true << false;
    }
    void theCopyIsPrivateAndNeverWrittenThroughALink()
    {
        QFETCH(bool, plantedLink);
        QFETCH(bool, earlierCopy);
        QVERIFY(writeAll(sequencePath(), "Time100   \r\n", QDateTime::currentDateTime().addSecs(-60)));
        QVERIFY(QFile::setPermissions(sequencePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        const QString target = m_dir->filePath(QStringLiteral("someone-elses.txt"));
        QVERIFY(writeAll(target, "theirs", QDateTime::currentDateTime()));
        const auto copy = makeCopy();
        if (plantedLink)
            QVERIFY(QFile::link(target, copy->path()));
        if (earlierCopy) {
            QVERIFY(writeAll(copy->path(), "old", QDateTime::currentDateTime()));
            QVERIFY(QFile::setPermissions(copy->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                            | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        }
        m_unsaved = QStringLiteral("Time200   \r");
        const std::optional<QString> failure = copy->writeNow();
        QCOMPARE(failure, std::nullopt);
        const QFileInfo written(copy->path());
        QVERIFY(!written.isSymLink());
        QCOMPARE(written.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
                 QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(recoverycopies::newerThanSequence(copy->path(), sequencePath()).value_or(QString()), *m_unsaved);
        QFile theirs(target);
        QVERIFY(theirs.open(QIODevice::ReadOnly));
        QCOMPARE(theirs.readAll(), QByteArray("theirs"));
    }
};

SERVO_TEST_MAIN(TestRecoveryCopy)
#include "tst_recoverycopy.moc"
