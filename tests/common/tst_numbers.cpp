#include "common/numbers.h"
#include "common/textcodec.h"

#include <QTest>

#include <limits>

class TestNumbers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lenient_data();
    void lenient();
    void toInt16_data();
    void toInt16();
    void strict_data();
    void strict();
    void utf8Strict_data();
    void utf8Strict();
    void gbk();
    void gbkRefusesWhatItCannotHold();
    void encodeForWire_data();
    void encodeForWire();
};

void TestNumbers::lenient_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");

    QTest::newRow("plain") << "1500" << true << 1500;
    QTest::newRow("blank inside") << "1 500" << true << 1500;
    QTest::newRow("tab and blanks around") << "\t 15 00 " << true << 1500;
    QTest::newRow("stops at letter") << "1500a" << true << 1500;
    QTest::newRow("no number") << "abc" << true << 0;
    QTest::newRow("empty") << "" << true << 0;
    QTest::newRow("sign alone") << "-" << true << 0;
    QTest::newRow("negative") << "-12" << true << -12;
    QTest::newRow("plus") << "+7" << true << 7;
    QTest::newRow("second sign stops") << "5-3" << true << 5;
    QTest::newRow("second point stops") << "1.5.9" << true << 2;
    QTest::newRow("comma is no point") << "12,9" << true << 12;
    QTest::newRow("wide digits are no digits") << "\uFF11\uFF12" << true << 0;
    QTest::newRow("half up to even") << "499.5" << true << 500;
    QTest::newRow("half down to even") << "2500.5" << true << 2500;
    QTest::newRow("1500.5") << "1500.5" << true << 1500;
    QTest::newRow("1501.5") << "1501.5" << true << 1502;
    QTest::newRow("negative half") << "-0.5" << true << 0;
    QTest::newRow("too large") << "40000" << false << 0;
    QTest::newRow("smallest") << "-32768" << true << -32768;
    QTest::newRow("below smallest") << "-32769" << false << 0;
    QTest::newRow("largest") << "32767" << true << 32767;
    QTest::newRow("rounds past largest") << "32767.5" << false << 0;
    QTest::newRow("rounds to even below largest") << "32766.5" << true << 32766;
}

void TestNumbers::lenient()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QFETCH(int, expected);

    const auto value = numbers::lenientInt16(text);
    QCOMPARE(value.has_value(), fits);
    if (fits)
        QCOMPARE(*value, expected);
}

void TestNumbers::toInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");

    QTest::newRow("0.5") << 0.5 << true << 0;
    QTest::newRow("1.5") << 1.5 << true << 2;
    QTest::newRow("-1.5") << -1.5 << true << -2;
    QTest::newRow("-2.5") << -2.5 << true << -2;
    QTest::newRow("not a half") << 2.6 << true << 3;
    QTest::newRow("-32768.5") << -32768.5 << true << -32768;
    QTest::newRow("-32769.5") << -32769.5 << false << 0;
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << 0;
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << false << 0;
}

void TestNumbers::toInt16()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, expected);

    const auto result = numbers::toInt16(value);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(*result, expected);
}

void TestNumbers::strict_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("expected");

    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German);
    QTest::newRow("plain") << "4800" << c << true << 4800;
    QTest::newRow("blanks around") << " 4800 " << c << true << 4800;
    QTest::newRow("negative") << "-100" << c << true << -100;
    QTest::newRow("unit after number") << "4800ms" << c << false << 0;
    QTest::newRow("empty") << "" << c << false << 0;
    QTest::newRow("blanks only") << "  " << c << false << 0;
    QTest::newRow("blank inside") << "4 800" << c << false << 0;
    QTest::newRow("sign alone") << "-" << c << false << 0;
    QTest::newRow("two points") << "1.5.0" << c << false << 0;
    QTest::newRow("C point") << "150.5" << c << true << 150;
    QTest::newRow("C comma") << "150,5" << c << false << 0;
    QTest::newRow("German comma") << "150,5" << german << true << 150;
    QTest::newRow("German point") << "150.5" << german << false << 0;
    QTest::newRow("too large") << "40000" << c << false << 0;
}

void TestNumbers::strict()
{
    QFETCH(QString, text);
    QFETCH(QLocale, locale);
    QFETCH(bool, accepted);
    QFETCH(int, expected);

    const auto value = numbers::strictInt16(text, locale);
    QCOMPARE(value.has_value(), accepted);
    if (accepted)
        QCOMPARE(*value, expected);
}

void TestNumbers::utf8Strict_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");

    QTest::newRow("ascii") << QByteArray("Time4800  #0P1500S300") << true;
    QTest::newRow("chinese") << QString::fromUtf8("中文").toUtf8() << true;
    QTest::newRow("gbk bytes") << QByteArray("\xD6\xD0\xCE\xC4") << false;
    QTest::newRow("lone continuation") << QByteArray("a\x80" "b") << false;
    QTest::newRow("cut off at end") << QByteArray("\xE4\xB8") << false;
}

void TestNumbers::utf8Strict()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);

    const auto text = textcodec::decodeUtf8Strict(bytes);
    QCOMPARE(text.has_value(), valid);
    if (valid)
        QCOMPARE(text->toUtf8(), bytes);
}

void TestNumbers::gbk()
{
    const QByteArray bytes("\xD6\xD0\xCE\xC4");
    QCOMPARE(textcodec::decodeGbk(bytes), std::optional(QStringLiteral("中文")));
    QCOMPARE(textcodec::encodeGbk(QStringLiteral("中文")), std::optional(bytes));
}

void TestNumbers::gbkRefusesWhatItCannotHold()
{
    // Writing a substitute into the operator's file would lose the character
    // silently; the caller must learn that it does not fit.
    QCOMPARE(textcodec::encodeGbk(QStringLiteral("中\U0001F600")), std::nullopt);
}

void TestNumbers::encodeForWire_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("ascii") << "#0P1500S300\r" << QByteArray("#0P1500S300\r");
    QTest::newRow("chinese goes as gbk") << "中文" << QByteArray("\xD6\xD0\xCE\xC4");
    QTest::newRow("latin-1 letter goes as gbk, not latin-1") << "\u00E9" << QByteArray("\xA8\xA6");
    QTest::newRow("no gbk for emoji, so utf-8") << "a\U0001F600" << QByteArray("a\xF0\x9F\x98\x80");
}

void TestNumbers::encodeForWire()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(textcodec::encodeForWire(text), expected);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "tst_numbers.moc"
