// SPDX-License-Identifier: MIT
#include "core/rtftext.h"
#include "core/sequencefile.h"
#include "filefaults.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include "support/filebytes.h"
#include "support/testmain.h"

namespace {

using Encoding = SequenceFile::Encoding;

const QByteArray gbkChinese("\xD6\xD0\xCE\xC4"); // 中文

// The file's own mode bits, not what the running user may do with it.
QFileDevice::Permissions modeOf(const QString &path)
{
    return QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

class TestSequenceFile : public QObject
{
    Q_OBJECT

    QString path() const { return m_dir->filePath(QStringLiteral("cmd.txt")); }
    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Encoding>("encoding");

        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << "a\rb\r" << Encoding::Utf8;
        QTest::newRow("LF") << QByteArray("a\nb\n") << "a\rb\r" << Encoding::Utf8;
        QTest::newRow("mixed, blank line") << QByteArray("a\r\n\nb\rc") << "a\r\rb\rc" << Encoding::Utf8;
        QTest::newRow("UTF-8 BOM") << QByteArray("\xEF\xBB\xBFTime100   \r\n") << "Time100   \r"
                                   << Encoding::Utf8WithBom;
        QTest::newRow("UTF-8") << QString("中文\r\n").toUtf8() << "中文\r" << Encoding::Utf8;
        QTest::newRow("not UTF-8, so GBK") << gbkChinese + "\r\n"
                                           << "中文\r" << Encoding::Gbk;
        QTest::newRow("UTF-16 LE BOM") << QByteArray("\xFF\xFE-N\r\0\n\0", 8) << "中\r" << Encoding::Utf16LE;
        QTest::newRow("UTF-16 BE BOM") << QByteArray("\xFE\xFFN-\0\r\0\n", 8) << "中\r" << Encoding::Utf16BE;
        QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi Time100   #0P500S\\par\r\n}") << "Time100   #0P500S\r"
                             << Encoding::Utf8;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(Encoding, encoding);
        const std::optional<SequenceFile::Content> content = SequenceFile::decode(bytes);
        QVERIFY(content.has_value());
        QCOMPARE(content->text, text);
        QCOMPARE(content->encoding, encoding);
    }

    void encode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("gbk");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("CR to CR LF") << "a\rb\r" << false << QByteArray("a\r\nb\r\n");
        QTest::newRow("UTF-8") << "中文\r" << false << QString("中文\r\n").toUtf8();
        QTest::newRow("GBK") << "中文\r" << true << gbkChinese + "\r\n";
        // Better a file in another encoding than a character lost.
        QTest::newRow("GBK cannot hold it") << "中\U0001F600\r" << true << QString("中\U0001F600\r\n").toUtf8();
    }
    void encode()
    {
        QFETCH(QString, text);
        QFETCH(bool, gbk);
        QFETCH(QByteArray, bytes);
        const QByteArray encoded = SequenceFile::encode(text, gbk ? Encoding::Gbk : Encoding::Utf8);
        QCOMPARE(encoded, bytes);
        QCOMPARE(SequenceFile::decode(encoded).value().text, text);
    }

    void missingFileLoadsEmpty()
    {
        SequenceFile file(path());
        QString error;
        QCOMPARE(file.load(&error), std::optional(QString()));
        QVERIFY(error.isEmpty());
        QVERIFY(file.mayOverwrite());
        QCOMPARE(file.save(QStringLiteral("Time100   \r")), std::nullopt);
        QCOMPARE(readAll(path()), QByteArray("Time100   \r\n"));
    }

    void unreadableFileIsNeverOverwritten()
    {
        // A folder in its place cannot be read even by root, unlike a chmod 000 file.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("cmd.txt")));
        SequenceFile file(path());
        QString error;
        QCOMPARE(file.load(&error), std::nullopt);
        QVERIFY(!error.isEmpty());
        QVERIFY(!file.mayOverwrite());

        const auto refusal = file.save(QStringLiteral("Time100   \r"));
        QVERIFY(refusal && !refusal->isEmpty());
        QVERIFY(QFileInfo(path()).isDir());
        QCOMPARE(entries(m_dir->path()), QStringList{"cmd.txt"});

        // Still refused once nothing stands in the way: what the operator never
        // saw is not replaced.
        QVERIFY(QDir(path()).removeRecursively());
        QVERIFY(file.save(QStringLiteral("Time100   \r")).has_value());
        QVERIFY(!QFileInfo::exists(path()));
    }

    void saveWhereNoFolderCanBeMadeFails()
    {
        QVERIFY(writeAll(m_dir->filePath(QStringLiteral("blocker")), "a file where a folder would go"));
        SequenceFile file(m_dir->filePath(QStringLiteral("blocker/missing/cmd.txt")));
        QString error;
        QVERIFY(file.load(&error).has_value());
        const auto failure = file.save(QStringLiteral("Time100   \r"));
        QVERIFY(failure
                && failure->contains(QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("blocker/missing")))));
        QCOMPARE(entries(m_dir->path()), QStringList{QStringLiteral("blocker")});
    }

    void loadThenSaveKeepsBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("GBK") << "Time4800  #0P1500S300 " + gbkChinese + "\r\nTime100   #1P900S\r\n";
        QTest::newRow("UTF-8") << QString("Time4800  #0P1500S300 中文\r\nTime100   \r\n").toUtf8();
        const QString text = QStringLiteral("Time4800  #0P1500S300 中文\r\nTime100   \r\n");
        QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + text.toUtf8();
        QTest::newRow("UTF-16 LE") << "\xFF\xFE" + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
        QTest::newRow("UTF-16 BE") << "\xFE\xFF" + QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(text));
    }
    void loadThenSaveKeepsBytes()
    {
        // Opening and saving must not move the file to an encoding older tools cannot read.
        QFETCH(QByteArray, bytes);
        QVERIFY(writeAll(path(), bytes));
        SequenceFile file(path());
        QString error;
        const auto text = file.load(&error);
        QVERIFY2(text.has_value(), qPrintable(error));
        QCOMPARE(file.save(*text), std::nullopt);
        QCOMPARE(readAll(path()), bytes);
    }

    void saveReplacesWholeFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("shorter") << "Time100   \r";
        QTest::newRow("empty") << "";
    }
    void saveReplacesWholeFile()
    {
        QFETCH(QString, text);
        QVERIFY(writeAll(path(), "Time4800  #0P1500S300#1P1500S300#2P1500S300\r\n"));
        SequenceFile file(path());
        QString error;
        QVERIFY(file.load(&error).has_value());
        QCOMPARE(file.save(text), std::nullopt);
        QVERIFY(QFileInfo::exists(path()));
        QCOMPARE(readAll(path()), SequenceFile::encode(text, Encoding::Utf8));
        // No temporary file is left beside it.
        QCOMPARE(entries(m_dir->path()), QStringList{"cmd.txt"});
    }

    void oddFilesAreNeverOverwritten_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("random bytes") << "bytes" << QByteArray("Time100 \xFF\xFE\x80\x00\x9F\r\n", 15);
        QTest::newRow("GBK lead byte without its trail") << "bytes" << QByteArray("Time100   #0P\x81\x20\r\n");
        QTest::newRow("UTF-16 of odd length") << "bytes"
                                              << QByteArray("\xFF\xFE"
                                                            "a\0b",
                                                            5);
        QTest::newRow("UTF-8 BOM, then not UTF-8") << "bytes" << QByteArray("\xEF\xBB\xBF\xD6\xD0");
        QTest::newRow("FIFO") << "fifo" << QByteArray();
        QTest::newRow("link to /dev/zero") << "zero" << QByteArray();
        QTest::newRow("larger than the limit") << "large" << QByteArray();
    }
    void oddFilesAreNeverOverwritten()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        if (kind == u"fifo") {
            const QString reason = filefaults::makeFifo(path());
            if (!reason.isEmpty())
                QSKIP(qPrintable(QStringLiteral("no FIFO here: ") + reason));
        } else if (kind == u"zero") {
            if (!QFileInfo::exists(QStringLiteral("/dev/zero")) || !QFile::link(QStringLiteral("/dev/zero"), path()))
                QSKIP("no /dev/zero to link to");
        } else if (kind == u"large") {
            QFile large(path());
            QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(SequenceFile::maximumSize + 1));
        } else {
            QVERIFY(writeAll(path(), bytes));
        }
        const QFileInfo before(path());

        SequenceFile file(path());
        QString error;
        QCOMPARE(file.load(&error), std::nullopt);
        QVERIFY(!error.isEmpty());
        QVERIFY(file.save(QStringLiteral("Time100   \r")).has_value());

        const QFileInfo after(path());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isFile(), before.isFile());
        QCOMPARE(after.size(), before.size());
        if (kind == u"bytes")
            QCOMPARE(readAll(path()), bytes);
        QCOMPARE(entries(m_dir->path()), QStringList{"cmd.txt"});
    }

    // A cmd.txt that is a symbolic link becomes a regular file of its own when
    // saved; the file it pointed to keeps its content.
    void aLinkIsReplacedNotWrittenThrough()
    {
        const QString target = m_dir->filePath(QStringLiteral("elsewhere.txt"));
        QVERIFY(writeAll(target, "Time100   \r\n"));
        QVERIFY(QFile::link(target, path()));
        SequenceFile file(path());
        QString error;
        QCOMPARE(file.load(&error), QStringLiteral("Time100   \r"));
        QCOMPARE(file.save(QStringLiteral("Time200   \r")), std::nullopt);
        QVERIFY(!QFileInfo(path()).isSymLink());
        QCOMPARE(readAll(path()), QByteArray("Time200   \r\n"));
        QCOMPARE(readAll(target), QByteArray("Time100   \r\n"));
        QCOMPARE(entries(m_dir->path()), (QStringList{"cmd.txt", "elsewhere.txt"}));
    }

    void aFailedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("fullFileSystem");
        QTest::newRow("full file system") << true;
        QTest::newRow("file size limit") << false;
    }
    void aFailedWriteKeepsTheOldFile()
    {
        QFETCH(bool, fullFileSystem);
        constexpr qint64 room = 64 * 1024;
        std::unique_ptr<filefaults::FileSizeLimit> limit;
        if (fullFileSystem) {
            const QString reason = filefaults::mountTinyFileSystem(m_dir->path(), room);
            if (!reason.isEmpty())
                QSKIP(qPrintable(reason));
        }
        const auto unmount = qScopeGuard([&] {
            if (fullFileSystem)
                filefaults::unmount(m_dir->path());
        });
        const QByteArray old("Time4800  #0P1500S300\r\n");
        QVERIFY(writeAll(path(), old));
        SequenceFile file(path());
        QString error;
        QVERIFY(file.load(&error).has_value());

        if (!fullFileSystem) {
            limit = std::make_unique<filefaults::FileSizeLimit>(room);
            if (!limit->unavailable().isEmpty())
                QSKIP(qPrintable(QStringLiteral("cannot limit the file size: ") + limit->unavailable()));
        }
        const QString longer = QStringLiteral("Time4800  #0P1500S300#1P1500S300#2P1500S300\r").repeated(20000);
        const std::optional<QString> failure = file.save(longer);
        limit.reset();

        QVERIFY(failure && !failure->isEmpty());
        QCOMPARE(readAll(path()), old);
        QCOMPARE(entries(m_dir->path()), QStringList{"cmd.txt"});
    }

    void saveRespectsTheMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("saved");
        QTest::newRow("0444, read-only") << 0444 << false;
        QTest::newRow("0400, read-only") << 0400 << false;
        QTest::newRow("0640") << 0640 << true;
        QTest::newRow("0604") << 0604 << true;
        QTest::newRow("0200, write-only") << 0200 << true;
    }
    void saveRespectsTheMode()
    {
        QFETCH(int, mode);
        QFETCH(bool, saved);
        const QByteArray old("Time4800  #0P1500S300\r\n");
        QVERIFY(writeAll(path(), old));
        // Octal digits map onto Qt's owner, group and other flags (0x0100 per bit of the owner).
        const auto permissions =
            QFileDevice::Permissions::fromInt(((mode & 0700) << 6) | ((mode & 070) << 1) | (mode & 07));
        QVERIFY(QFile::setPermissions(path(), permissions));
        QCOMPARE(modeOf(path()), permissions);

        SequenceFile file(path());
        QString error;
        if (!file.load(&error))
            QSKIP(qPrintable(QStringLiteral("cannot read the file as this user: ") + error));
        const std::optional<QString> failure = file.save(QStringLiteral("Time100   \r"));
        QCOMPARE(!failure, saved);
        QCOMPARE(readAll(path()), saved ? QByteArray("Time100   \r\n") : old);
        QCOMPARE(modeOf(path()), permissions);
    }

    void changedOnDisk_data()
    {
        QTest::addColumn<QByteArray>("onDiskLater"); // empty: removed
        QTest::addColumn<bool>("keepTime");
        QTest::addColumn<bool>("changed");
        QTest::newRow("untouched") << QByteArray("Time100   \r\n") << true << false;
        QTest::newRow("appended") << QByteArray("Time100   \r\nTime200   \r\n") << false << true;
        QTest::newRow("same size and time") << QByteArray("Time900   \r\n") << true << true;
        QTest::newRow("removed") << QByteArray() << false << true;
    }
    void changedOnDisk()
    {
        QFETCH(QByteArray, onDiskLater);
        QFETCH(bool, keepTime);
        QFETCH(bool, changed);
        QVERIFY(writeAll(path(), "Time100   \r\n"));
        const QDateTime loadedAt = QFileInfo(path()).lastModified();
        SequenceFile file(path());
        QString error;
        const std::optional<QString> text = file.load(&error);
        QVERIFY(text.has_value());
        QVERIFY(file.holds(*text));
        QVERIFY(!file.holds(*text + u'\r'));
        QVERIFY(!file.changedOnDisk());

        if (onDiskLater.isEmpty()) {
            QVERIFY(QFile::remove(path()));
        } else {
            QVERIFY(writeAll(path(), onDiskLater));
            QFile touched(path());
            QVERIFY(!keepTime
                    || (touched.open(QIODevice::ReadWrite)
                        && touched.setFileTime(loadedAt, QFileDevice::FileModificationTime)));
        }
        QCOMPARE(file.changedOnDisk(), changed);

        // What this object saved is the new reference.
        QCOMPARE(file.save(QStringLiteral("Time300   \r")), std::nullopt);
        QVERIFY(file.holds(QStringLiteral("Time300   \r")));
        QVERIFY(!file.changedOnDisk());
    }

    void plainTextFromRtf_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");

        QTest::newRow("document") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg936 {\\fonttbl{\\f0 SimSun;}}{\\colortbl;\\red255\\green0\\blue0;}"
            "\\f0 Time4800  #0P1500S300\\par\r\nTime1000  #1P900S300\\par\r\n}")
                                  << "Time4800  #0P1500S300\rTime1000  #1P900S300\r";
        QTest::newRow("GBK escapes") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}") << "中";
        QTest::newRow("no code page is GBK") << QByteArray("{\\rtf1\\ansi \\'d6\\'d0\\'ce\\'c4}") << "中文";
        QTest::newRow("code page 1252") << QByteArray("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9}") << "café";
        QTest::newRow("unicode, fallback skipped") << QByteArray("{\\rtf1 \\u20013?a}") << "中a";
        QTest::newRow("unicode, two fallback bytes") << QByteArray("{\\rtf1\\uc2 \\u20013\\'d6\\'d0a}") << "中a";
        QTest::newRow("fallback ends with its group") << QByteArray("{\\rtf1 {\\u20013}x}") << "中x";
        QTest::newRow("unicode, negative") << QByteArray("{\\rtf1 \\u-253?}") << "\uFF03";
        QTest::newRow("escaped symbols") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d}") << "a{b}c\\d";
        QTest::newRow("generator") << QByteArray("{\\rtf1{\\*\\generator Riched20 10.0;}Time100}") << "Time100";
        QTest::newRow("unknown starred group") << QByteArray("{\\rtf1{\\*\\foo bar}x}") << "x";
        QTest::newRow("tab and line") << QByteArray("{\\rtf1 a\\tab b\\line c}") << "a\tb\rc";
        // What is invalid is skipped, never read as NUL or as another character.
        QTest::newRow("\\u without a number") << QByteArray("{\\rtf1 a\\u?b}") << "ab";
        QTest::newRow("\\u out of range") << QByteArray("{\\rtf1 a\\u70000?b\\u-40000?c}") << "abc";
        QTest::newRow("\\u0") << QByteArray("{\\rtf1 a\\u0?b}") << "ab";
        QTest::newRow("\\' before the group end") << QByteArray("{\\rtf1 {\\*\\foo x\\'4}b}") << "b";
        QTest::newRow("\\' with no hex digits") << QByteArray("{\\rtf1 a\\' 4b\\'-1c\\'zzd}") << "a 4b-1czzd";
        QTest::newRow("\\'00") << QByteArray("{\\rtf1 a\\'00b}") << "ab";
        QTest::newRow("half a GBK character") << QByteArray("{\\rtf1 a\\'d6}") << "a";
        QTest::newRow("surrogate pair") << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << "\U0001F600";
        QTest::newRow("lone high surrogate") << QByteArray("{\\rtf1 a\\u-10179?b}") << "ab";
        QTest::newRow("lone low surrogate") << QByteArray("{\\rtf1 a\\u-8704?b}") << "ab";
        QTest::newRow("high surrogate, a letter, low") << QByteArray("{\\rtf1\\uc0 \\u-10179 x\\u-8704 }") << "x";
    }
    void plainTextFromRtf()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, text);
        QCOMPARE(::plainTextFromRtf(rtf), text);
    }
};

SERVO_TEST_MAIN(TestSequenceFile)
#include "tst_sequencefile.moc"
