// SPDX-License-Identifier: MIT
#include "core/numbers.h"
#include "core/textcodec.h"

#include <QTest>

#include <limits>
#include "support/testmain.h"

namespace {

// A refused number compares as an invalid QVariant, so one column holds both.
QVariant value(std::optional<qint16> number)
{
    return number ? QVariant(int(*number)) : QVariant();
}

} // namespace

class TestNumbers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lenient_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("expected");

        const QVariant refused;
        QTest::newRow("blank inside") << "1 500" << QVariant(1500);
        QTest::newRow("tabs and blanks") << "\t 15 00 " << QVariant(1500);
        QTest::newRow("stops at letter") << "1500a" << QVariant(1500);
        QTest::newRow("no number") << "abc" << QVariant(0);
        QTest::newRow("empty") << "" << QVariant(0);
        QTest::newRow("sign alone") << "-" << QVariant(0);
        QTest::newRow("negative") << "-12" << QVariant(-12);
        QTest::newRow("second point stops") << "1.5.9" << QVariant(2);
        QTest::newRow("comma is no point") << "12,9" << QVariant(12);
        QTest::newRow("wide digits are no digits") << "\uFF11\uFF12" << QVariant(0);
        QTest::newRow("half up to even") << "499.5" << QVariant(500);
        QTest::newRow("half down to even") << "2500.5" << QVariant(2500);
        QTest::newRow("1500.5") << "1500.5" << QVariant(1500);
        QTest::newRow("1501.5") << "1501.5" << QVariant(1502);
        QTest::newRow("negative half to even") << "-2.5" << QVariant(-2);
        QTest::newRow("too large") << "40000" << refused;
        QTest::newRow("smallest") << "-32768" << QVariant(-32768);
        QTest::newRow("below smallest") << "-32769" << refused;
        QTest::newRow("largest") << "32767" << QVariant(32767);
        QTest::newRow("rounds past largest") << "32767.5" << refused;
        QTest::newRow("beyond a double") << QString(u'1' + QString(400, u'0')) << refused;
        QTest::newRow("rounds to even below largest") << "32766.5" << QVariant(32766);
    }
    void lenient()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, expected);
        QCOMPARE(value(numbers::lenientInt16(text)), expected);
    }

    void nonFiniteIsRefused()
    {
        QCOMPARE(numbers::toInt16(std::numeric_limits<double>::infinity()), std::nullopt);
        QCOMPARE(numbers::toInt16(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    }

    void strict_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QVariant>("expected");

        const QVariant refused;
        QTest::newRow("blanks around") << " 4800 "
                                       << "C" << QVariant(4800);
        QTest::newRow("unit after number") << "4800ms"
                                           << "C" << refused;
        QTest::newRow("empty") << ""
                               << "C" << refused;
        QTest::newRow("blanks only") << "  "
                                     << "C" << refused;
        QTest::newRow("blank inside") << "4 800"
                                      << "C" << refused;
        QTest::newRow("two points") << "1.5.0"
                                    << "C" << refused;
        QTest::newRow("C point") << "150.5"
                                 << "C" << QVariant(150);
        QTest::newRow("C comma") << "150,5"
                                 << "C" << refused;
        QTest::newRow("German comma") << "150,5"
                                      << "de_DE" << QVariant(150);
        QTest::newRow("German point") << "150.5"
                                      << "de_DE" << refused;
        QTest::newRow("too large") << "40000"
                                   << "C" << refused;
    }
    void strict()
    {
        QFETCH(QString, text);
        QFETCH(QString, locale);
        QFETCH(QVariant, expected);
        QCOMPARE(value(numbers::strictInt16(text, QLocale(locale))), expected);
    }

    void utf8Strict_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");

        QTest::newRow("chinese") << QString("中文").toUtf8() << true;
        QTest::newRow("gbk bytes") << QByteArray("\xD6\xD0\xCE\xC4") << false;
        QTest::newRow("lone continuation") << QByteArray("a\x80"
                                                         "b")
                                           << false;
        QTest::newRow("cut off at end") << QByteArray("\xE4\xB8") << false;
    }
    void utf8Strict()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        const auto text = textcodec::decodeUtf8Strict(bytes);
        QCOMPARE(text.has_value(), valid);
        if (valid)
            QCOMPARE(text->toUtf8(), bytes);
    }

    void gbk()
    {
        const QByteArray bytes("\xD6\xD0\xCE\xC4");
        QCOMPARE(textcodec::decodeGbk(bytes), std::optional(QStringLiteral("中文")));
        QCOMPARE(textcodec::encodeGbk(QStringLiteral("中文")), std::optional(bytes));
        // A substitute written in its place would lose the character silently.
        QCOMPARE(textcodec::encodeGbk(QStringLiteral("中\U0001F600")), std::nullopt);
    }

    void encodeForWire_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("ascii") << "#0P1500S300\r" << QByteArray("#0P1500S300\r");
        QTest::newRow("chinese as gbk") << "中文" << QByteArray("\xD6\xD0\xCE\xC4");
        QTest::newRow("latin-1 letter as gbk") << "\u00E9" << QByteArray("\xA8\xA6");
        QTest::newRow("no gbk for emoji, so utf-8") << "a\U0001F600" << QByteArray("a\xF0\x9F\x98\x80");
    }
    void encodeForWire()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(textcodec::encodeForWire(text), expected);
    }
};

SERVO_TEST_MAIN(TestNumbers)
#include "tst_numbers.moc"
