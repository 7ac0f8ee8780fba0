#include "app/rtftext.h"
#include "app/sequencefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

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

} // namespace

class TestSequenceFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void decode_data();
    void decode();
    void encode_data();
    void encode();
    void missingFileLoadsEmpty();
    void unreadableFileIsNeverOverwritten();
    void saveIntoMissingFolderFails();
    void loadThenSaveKeepsBytes_data();
    void loadThenSaveKeepsBytes();
    void saveReplacesWholeFile_data();
    void saveReplacesWholeFile();
    void plainTextFromRtf_data();
    void plainTextFromRtf();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("cmd.txt")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestSequenceFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestSequenceFile::decode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("gbk");

    QTest::newRow("empty") << QByteArray() << "" << false;
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << "a\rb\r" << false;
    QTest::newRow("LF") << QByteArray("a\nb\n") << "a\rb\r" << false;
    QTest::newRow("CR") << QByteArray("a\rb\r") << "a\rb\r" << false;
    QTest::newRow("mixed") << QByteArray("a\r\nb\nc\rd") << "a\rb\rc\rd" << false;
    QTest::newRow("blank lines") << QByteArray("a\r\n\r\nb\n\n") << "a\r\rb\r\r" << false;
    QTest::newRow("BOM dropped") << QByteArray("\xEF\xBB\xBFTime100   \r\n") << "Time100   \r" << false;
    QTest::newRow("UTF-8") << QString("中文\r\n").toUtf8() << "中文\r" << false;
    QTest::newRow("not UTF-8, so GBK") << gbkChinese + "\r\n" << "中文\r" << true;
    QTest::newRow("RTF") << QByteArray("{\\rtf1\\ansi Time100   #0P500S\\par\r\n}") << "Time100   #0P500S\r"
                         << false;
}

void TestSequenceFile::decode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(bool, gbk);

    const SequenceFile::Content content = SequenceFile::decode(bytes);
    QCOMPARE(content.text, text);
    QCOMPARE(content.encoding, gbk ? SequenceFile::Encoding::Gbk : SequenceFile::Encoding::Utf8);
}

void TestSequenceFile::encode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("gbk");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("CR to CR LF") << "a\rb\r" << false << QByteArray("a\r\nb\r\n");
    QTest::newRow("empty") << "" << true << QByteArray();
    QTest::newRow("UTF-8") << "中文\r" << false << QString("中文\r\n").toUtf8();
    QTest::newRow("GBK") << "中文\r" << true << gbkChinese + "\r\n";
    // Better a file in another encoding than a character lost.
    QTest::newRow("GBK cannot hold it") << "中\U0001F600\r" << true << QString("中\U0001F600\r\n").toUtf8();
}

void TestSequenceFile::encode()
{
    QFETCH(QString, text);
    QFETCH(bool, gbk);
    QFETCH(QByteArray, bytes);

    const QByteArray encoded =
        SequenceFile::encode(text, gbk ? SequenceFile::Encoding::Gbk : SequenceFile::Encoding::Utf8);
    QCOMPARE(encoded, bytes);
    QCOMPARE(SequenceFile::decode(encoded).text, text);
}

void TestSequenceFile::missingFileLoadsEmpty()
{
    SequenceFile file(path());
    QString error;
    QCOMPARE(file.load(&error), std::optional(QString()));
    QVERIFY(error.isEmpty());
    QVERIFY(file.mayOverwrite());

    QCOMPARE(file.save(QStringLiteral("Time100   \r")), std::nullopt);
    QCOMPARE(readAll(path()), QByteArray("Time100   \r\n"));
}

void TestSequenceFile::unreadableFileIsNeverOverwritten()
{
    // A folder of that name exists but cannot be read as a file (unlike a
    // chmod 000 file, this also holds when the tests run as root).
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("cmd.txt")));
    QVERIFY(writeAll(path() + QStringLiteral("/keep"), "kept"));

    SequenceFile file(path());
    QString error;
    QCOMPARE(file.load(&error), std::nullopt);
    QVERIFY(!error.isEmpty());
    QVERIFY(!file.mayOverwrite());

    const auto refusal = file.save(QStringLiteral("Time100   \r"));
    QVERIFY(refusal.has_value());
    QVERIFY(!refusal->isEmpty());
    QVERIFY(QFileInfo(path()).isDir());
    QCOMPARE(readAll(path() + QStringLiteral("/keep")), QByteArray("kept"));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"cmd.txt"});

    // Even once nothing stands in the way any more: what was never shown to the
    // operator is not replaced.
    QVERIFY(QDir(path()).removeRecursively());
    QVERIFY(file.save(QStringLiteral("Time100   \r")).has_value());
    QVERIFY(!QFileInfo::exists(path()));
}

void TestSequenceFile::saveIntoMissingFolderFails()
{
    const QString missing = m_dir->filePath(QStringLiteral("missing/cmd.txt"));
    SequenceFile file(missing);
    QString error;
    QVERIFY(file.load(&error).has_value());

    const auto failure = file.save(QStringLiteral("Time100   \r"));
    QVERIFY(failure.has_value());
    QVERIFY(!failure->isEmpty());
    QVERIFY(!QFileInfo::exists(missing));
}

void TestSequenceFile::loadThenSaveKeepsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("GBK") << "Time4800  #0P1500S300 " + gbkChinese + "\r\nTime100   #1P900S\r\n";
    QTest::newRow("UTF-8") << QString("Time4800  #0P1500S300 中文\r\nTime100   \r\n").toUtf8();
    QTest::newRow("ASCII") << QByteArray("Time4800  #0P1500S300\r\n");
}

void TestSequenceFile::loadThenSaveKeepsBytes()
{
    // Opening and saving without edits must not rewrite the file into another
    // encoding that the older tools cannot read.
    QFETCH(QByteArray, bytes);
    QVERIFY(writeAll(path(), bytes));

    SequenceFile file(path());
    QString error;
    const auto text = file.load(&error);
    QVERIFY2(text.has_value(), qPrintable(error));
    QCOMPARE(file.save(*text), std::nullopt);
    QCOMPARE(readAll(path()), bytes);
}

void TestSequenceFile::saveReplacesWholeFile_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("shorter") << "Time100   \r";
    QTest::newRow("empty") << "";
}

void TestSequenceFile::saveReplacesWholeFile()
{
    QFETCH(QString, text);
    QVERIFY(writeAll(path(), "Time4800  #0P1500S300#1P1500S300#2P1500S300\r\n"));

    SequenceFile file(path());
    QString error;
    QVERIFY(file.load(&error).has_value());
    QCOMPARE(file.save(text), std::nullopt);

    QVERIFY(QFileInfo::exists(path()));
    QCOMPARE(readAll(path()), SequenceFile::encode(text, SequenceFile::Encoding::Utf8));
    // No half-written or temporary file is left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{"cmd.txt"});
}

void TestSequenceFile::plainTextFromRtf_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");

    QTest::newRow("document")
        << QByteArray("{\\rtf1\\ansi\\ansicpg936 {\\fonttbl{\\f0 SimSun;}}{\\colortbl;\\red255\\green0\\blue0;}"
                      "\\f0 Time4800  #0P1500S300\\par\r\nTime1000  #1P900S300\\par\r\n}")
        << "Time4800  #0P1500S300\rTime1000  #1P900S300\r";
    QTest::newRow("GBK hex escapes") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0}") << "中";
    QTest::newRow("no code page is GBK") << QByteArray("{\\rtf1\\ansi \\'d6\\'d0\\'ce\\'c4}") << "中文";
    QTest::newRow("other code page") << QByteArray("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9}") << "café";
    QTest::newRow("unicode, fallback skipped") << QByteArray("{\\rtf1 \\u20013?a}") << "中a";
    QTest::newRow("unicode, fallback escaped") << QByteArray("{\\rtf1 \\u20013\\'3fa}") << "中a";
    QTest::newRow("unicode, two fallback bytes") << QByteArray("{\\rtf1\\uc2 \\u20013\\'d6\\'d0a}") << "中a";
    QTest::newRow("unicode, negative") << QByteArray("{\\rtf1 \\u-253?}") << "\uFF03";
    QTest::newRow("escaped symbols") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d}") << "a{b}c\\d";
    QTest::newRow("generator skipped") << QByteArray("{\\rtf1{\\*\\generator Riched20 10.0;}Time100}") << "Time100";
    QTest::newRow("unknown starred group skipped") << QByteArray("{\\rtf1{\\*\\foo bar}x}") << "x";
    QTest::newRow("formatting group kept") << QByteArray("{\\rtf1 {\\b bold} plain}") << "bold plain";
    QTest::newRow("tab and line") << QByteArray("{\\rtf1 a\\tab b\\line c}") << "a\tb\rc";
}

void TestSequenceFile::plainTextFromRtf()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(::plainTextFromRtf(rtf), text);
}

QTEST_GUILESS_MAIN(TestSequenceFile)
#include "tst_sequencefile.moc"
