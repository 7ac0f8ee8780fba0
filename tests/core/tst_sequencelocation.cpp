// SPDX-License-Identifier: MIT
#include "core/sequencefile.h"
#include "core/sequencelocation.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include "support/filebytes.h"
#include "support/testmain.h"

namespace {

// Where a user folder goes in a row: an ordinary one, one that cannot be made
// (its parent is a file), or none named by the system.
enum class UserFolder { Usable, Unmakeable, None };

} // namespace

Q_DECLARE_METATYPE(UserFolder)

class TestSequenceLocation : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString at(const QString &relative) const { return m_dir->filePath(relative); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(at("program")));
        QVERIFY(writeAll(at("blocker"), "a file where a folder would go"));
    }

    void choose_data()
    {
        QTest::addColumn<bool>("programWritable");
        QTest::addColumn<QByteArray>("beside"); // null: no cmd.txt beside the program
        QTest::addColumn<UserFolder>("userFolder");
        QTest::addColumn<QByteArray>("userBefore"); // null: the user has no cmd.txt yet
        QTest::addColumn<bool>("expectUserFile");
        QTest::addColumn<QByteArray>("userAfter"); // null: still no user cmd.txt

        const QByteArray kept("Time100   #0P500S300\n\xD6\xD0\xCE\xC4\r\n"); // LF, CR LF, GBK: copied as is
        const QByteArray own("Time200   #1P600S300\r\n");
        const QByteArray none;

        QTest::newRow("writable program folder") << true << kept << UserFolder::Usable << none << false << none;
        QTest::newRow("writable, user file left alone") << true << kept << UserFolder::Usable << own << false << own;
        QTest::newRow("read-only, nothing yet: no folder made")
            << false << none << UserFolder::Usable << none << true << none;
        QTest::newRow("read-only, first time: copied") << false << kept << UserFolder::Usable << none << true << kept;
        QTest::newRow("read-only, user's own file wins") << false << kept << UserFolder::Usable << own << true << own;
        QTest::newRow("read-only, user folder unmakeable")
            << false << kept << UserFolder::Unmakeable << none << true << none;
        QTest::newRow("read-only, no user folder named") << false << kept << UserFolder::None << none << false << none;
    }
    void choose()
    {
        QFETCH(bool, programWritable);
        QFETCH(QByteArray, beside);
        QFETCH(UserFolder, userFolder);
        QFETCH(QByteArray, userBefore);
        QFETCH(bool, expectUserFile);
        QFETCH(QByteArray, userAfter);

        const QString besidePath = at("program/cmd.txt");
        if (!beside.isNull())
            QVERIFY(writeAll(besidePath, beside));
        QString folder;
        if (userFolder == UserFolder::Usable)
            folder = at("home/.local/share/servo-console");
        else if (userFolder == UserFolder::Unmakeable)
            folder = at("blocker/servo-console");
        const QString userPath = folder.isEmpty() ? QString() : QDir(folder).filePath("cmd.txt");
        if (!userBefore.isNull()) {
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(writeAll(userPath, userBefore));
        }

        const QString chosen = sequencelocation::choose(at("program"), programWritable, folder);

        QCOMPARE(QFileInfo(chosen).absoluteFilePath(), expectUserFile ? userPath : besidePath);
        QCOMPARE(QFileInfo::exists(userPath), !userAfter.isNull());
        QCOMPARE(readAll(userPath), userAfter);
        QCOMPARE(readAll(besidePath), beside);
    }

    void isWritableFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("writable");

        QTest::newRow("ordinary folder") << "program" << true;
        QTest::newRow("missing folder") << "missing" << false;
        QTest::newRow("a file, not a folder") << "blocker" << false;
    }
    void isWritableFolder()
    {
        QFETCH(QString, folder);
        QFETCH(bool, writable);
        QCOMPARE(sequencelocation::isWritableFolder(at(folder)), writable);
        // The probe leaves nothing behind.
        QCOMPARE(QDir(at("program")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void firstSaveMakesTheFolder()
    {
        const QString file = at("home/.local/share/servo-console/cmd.txt");
        SequenceFile sequence(file);
        const std::optional<QString> error = sequence.save(QStringLiteral("Time100   #0P500S300\r"));
        QVERIFY2(!error, qPrintable(error.value_or(QString())));
        QCOMPARE(readAll(file), QByteArray("Time100   #0P500S300\r\n"));
    }
};

SERVO_TEST_MAIN(TestSequenceLocation)
#include "tst_sequencelocation.moc"
