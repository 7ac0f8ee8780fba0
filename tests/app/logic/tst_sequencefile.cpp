#include "app/rtftext.h"
#include "app/sequencefile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include "support/testmain.h"

namespace {

using Encoding = SequenceFile::Encoding;

const QByteArray gbkChinese("\xD6\xD0\xCE\xC4"); // 中文

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
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
        QTest::addColumn<bool>("gbk");

        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << "a\rb\r" << false;
        QTest::newRow("LF") << QByteArray("a\nb\n") << "a\rb\r" << false;
        QTest::newRow("mixed, blank line") << QByteArray("a\r\n\nb\rc") << "a\r\rb\rc" << false;
        QTest::newRow("BOM dropped") << QByteArray("\xEF\xBB\xBFTime100   \r\n") << "Time100   \r" << false;
        QTest::newRow("UTF-8") << QString("中文\r\n").toUtf8() << "中文\r" << false;
        QTest::newRow("not UTF-8, so GBK") << gbkChinese + "\r\n" << "中文\r" << true;
        QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi Time100   #0P500S\\par\r\n}") << "Time100   #0P500S\r"
                             << false;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, gbk);
        const SequenceFile::Content content = SequenceFile::decode(bytes);
        QCOMPARE(content.text, text);
        QCOMPARE(content.encoding, gbk ? Encoding::Gbk : Encoding::Utf8);
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
        QCOMPARE(SequenceFile::decode(encoded).text, text);
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
        QVERIFY(failure && failure->contains(QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("blocker/missing")))));
        QCOMPARE(entries(m_dir->path()), QStringList{QStringLiteral("blocker")});
    }

    void loadThenSaveKeepsBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("GBK") << "Time4800  #0P1500S300 " + gbkChinese + "\r\nTime100   #1P900S\r\n";
        QTest::newRow("UTF-8") << QString("Time4800  #0P1500S300 中文\r\nTime100   \r\n").toUtf8();
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

    void plainTextFromRtf_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");

        QTest::newRow("document")
            << QByteArray("{\\rtf1\\ansi\\ansicpg936 {\\fonttbl{\\f0 SimSun;}}{\\colortbl;\\red255\\green0\\blue0;}"
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
