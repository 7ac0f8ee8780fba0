#include "link/portnames.h"
#include "link/portnumber.h"
#include "link/settingsstring.h"

#include <QRegularExpression>
#include <QTest>

using settingsstring::LineSettings;

Q_DECLARE_METATYPE(LineSettings)

class TestLinkLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data();
    void split();
    void build();
    void parseAccepts_data();
    void parseAccepts();
    void parseRefuses_data();
    void parseRefuses();
    void displayName_data();
    void displayName();
    void deviceForPort_data();
    void deviceForPort();
    void listedNameOpensItsDevice_data();
    void listedNameOpensItsDevice();
    void portNumberFromText_data();
    void portNumberFromText();
};

void TestLinkLogic::split_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("initial") << settingsstring::initial << QStringList{"115200", "n", "8", "1"};
    QTest::newRow("rest stays in stop bits") << "9600,n,7,2,x" << QStringList{"9600", "n", "7", "2,x"};
    QTest::newRow("two commas") << "9600,e,7" << QStringList{"9600", "e", "7", ""};
    QTest::newRow("no comma") << "9600" << QStringList{"9600", "", "", ""};
    QTest::newRow("empty") << "" << QStringList{"", "", "", ""};
    QTest::newRow("empty fields") << ",,," << QStringList{"", "", "", ""};
}

void TestLinkLogic::split()
{
    QFETCH(QString, settings);
    QFETCH(QStringList, fields);

    const settingsstring::Fields f = settingsstring::split(settings);
    QCOMPARE((QStringList{f.baudRate, f.parity, f.dataBits, f.stopBits}), fields);
}

void TestLinkLogic::build()
{
    QCOMPARE(settingsstring::build("9600", "7", "2"), QStringLiteral("9600,n,7,2"));
    // What the dialog writes must split back into the fields it was given.
    const settingsstring::Fields f = settingsstring::split(settingsstring::build("57600", "8", "1.5"));
    QCOMPARE((QStringList{f.baudRate, f.parity, f.dataBits, f.stopBits}),
             (QStringList{"57600", "n", "8", "1.5"}));
}

void TestLinkLogic::parseAccepts_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<LineSettings>("expected");

    using P = LineSettings::Parity;
    using S = LineSettings::StopBits;
    QTest::newRow("57600,n,8,1") << "57600,n,8,1" << LineSettings{57600, P::None, 8, S::One};
    QTest::newRow("even, 7, 2") << "9600,e,7,2" << LineSettings{9600, P::Even, 7, S::Two};
    QTest::newRow("odd, 5, 1.5") << "1200,o,5,1.5" << LineSettings{1200, P::Odd, 5, S::OneAndHalf};
    QTest::newRow("mark") << "4800,m,6,1" << LineSettings{4800, P::Mark, 6, S::One};
    QTest::newRow("space") << "1,s,8,1" << LineSettings{1, P::Space, 8, S::One};
    QTest::newRow("fastest") << "4000000,n,8,1" << LineSettings{4000000, P::None, 8, S::One};
}

void TestLinkLogic::parseAccepts()
{
    QFETCH(QString, settings);
    QFETCH(LineSettings, expected);

    const auto result = settingsstring::parse(settings);
    QVERIFY2(std::holds_alternative<LineSettings>(result),
             qPrintable(std::holds_alternative<QString>(result) ? std::get<QString>(result) : QString()));
    QVERIFY(std::get<LineSettings>(result) == expected);
}

void TestLinkLogic::parseRefuses_data()
{
    QTest::addColumn<QString>("settings");

    QTest::newRow("baud not digits") << "96OO,n,8,1";
    QTest::newRow("baud signed") << "+9600,n,8,1";
    QTest::newRow("baud zero") << "0,n,8,1";
    QTest::newRow("baud too large") << "4000001,n,8,1";
    QTest::newRow("baud overflows") << "99999999999999999999,n,8,1";
    QTest::newRow("baud empty") << ",n,8,1";
    QTest::newRow("parity x") << "9600,x,8,1";
    QTest::newRow("parity empty") << "9600,,8,1";
    QTest::newRow("parity word") << "9600,none,8,1";
    QTest::newRow("data bits 4") << "9600,n,4,1";
    QTest::newRow("data bits 9") << "9600,n,9,1";
    QTest::newRow("data bits letter") << "9600,n,a,1";
    QTest::newRow("stop bits 0") << "9600,n,8,0";
    QTest::newRow("stop bits 3") << "9600,n,8,3";
    QTest::newRow("stop bits 1,5") << "9600,n,8,1,5";
    QTest::newRow("stop bits missing") << "9600,n,8";
}

void TestLinkLogic::parseRefuses()
{
    QFETCH(QString, settings);

    const auto result = settingsstring::parse(settings);
    QVERIFY(std::holds_alternative<QString>(result));
    // The reason is shown to the operator as it is.
    static const QRegularExpression chinese(QStringLiteral("[\\x{4E00}-\\x{9FFF}]"));
    QVERIFY2(std::get<QString>(result).contains(chinese), qPrintable(std::get<QString>(result)));
}

void TestLinkLogic::displayName_data()
{
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ttyS0") << "ttyS0" << "COM1 (ttyS0)";
    QTest::newRow("ttyS31") << "ttyS31" << "COM32 (ttyS31)";
    QTest::newRow("ttyUSB0") << "ttyUSB0" << "COM33 (ttyUSB0)";
    QTest::newRow("ttyACM1") << "ttyACM1" << "COM66 (ttyACM1)";
    QTest::newRow("ttyAMA0") << "ttyAMA0" << "COM97 (ttyAMA0)";
    QTest::newRow("rfcomm0") << "rfcomm0" << "COM129 (rfcomm0)";
    QTest::newRow("rfcomm31") << "rfcomm31" << "COM160 (rfcomm31)";
    QTest::newRow("unknown device") << "ttyXYZ0" << "";
    QTest::newRow("index past its range") << "ttyUSB32" << "";
    QTest::newRow("no index") << "ttyUSB" << "";
    QTest::newRow("huge index") << "ttyS99999999999" << "";
    QTest::newRow("empty") << "" << "";
}

void TestLinkLogic::displayName()
{
    QFETCH(QString, system);
    QFETCH(QString, expected);
    QCOMPARE(portnames::displayName(system), expected);
}

void TestLinkLogic::deviceForPort_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1") << 1 << "/dev/ttyS0";
    QTest::newRow("32") << 32 << "/dev/ttyS31";
    QTest::newRow("33") << 33 << "/dev/ttyUSB0";
    QTest::newRow("65") << 65 << "/dev/ttyACM0";
    QTest::newRow("128") << 128 << "/dev/ttyAMA31";
    QTest::newRow("160") << 160 << "/dev/rfcomm31";
    QTest::newRow("1000") << 1000 << "/dev/pts/0";
    QTest::newRow("32767") << 32767 << "/dev/pts/31767";
    QTest::newRow("0") << 0 << "";
    QTest::newRow("-1") << -1 << "";
    QTest::newRow("161") << 161 << "";
    QTest::newRow("999") << 999 << "";
}

void TestLinkLogic::deviceForPort()
{
    QFETCH(int, number);
    QFETCH(QString, expected);
    QCOMPARE(portnames::deviceForPort(number), expected);
}

void TestLinkLogic::listedNameOpensItsDevice_data()
{
    QTest::addColumn<QString>("system");

    for (const char *device : {"ttyS", "ttyUSB", "ttyACM", "ttyAMA", "rfcomm"}) {
        for (int index : {0, 1, 9, 10, 31}) {
            const QString name = QLatin1StringView(device) + QString::number(index);
            QTest::newRow(qPrintable(name)) << name;
        }
    }
}

void TestLinkLogic::listedNameOpensItsDevice()
{
    // The port list shows displayName(); connecting reads the number back out of
    // that text, and must open the very device that was listed.
    QFETCH(QString, system);

    const QString listed = portnames::displayName(system);
    QVERIFY(!listed.isEmpty());
    const auto number = ::portNumberFromText(listed);
    QVERIFY(number.has_value());
    QCOMPARE(portnames::deviceForPort(*number), QStringLiteral("/dev/") + system);
}

void TestLinkLogic::portNumberFromText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("names");
    QTest::addColumn<int>("expected");

    QTest::newRow("COM3") << "COM3" << true << 3;
    QTest::newRow("COM12") << "COM12" << true << 12;
    QTest::newRow("listed name") << "COM33 (ttyUSB0)" << true << 33;
    QTest::newRow("letters only") << "COM" << true << 0;
    QTest::newRow("typed pseudo-terminal") << "COM1000" << true << 1000;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("too short") << "CO" << false << 0;
    QTest::newRow("outside 16 bits") << "COM99999" << false << 0;
    QTest::newRow("half to even, down") << "COM2.5" << true << 2;
    QTest::newRow("half to even, up") << "COM3.5" << true << 4;
}

void TestLinkLogic::portNumberFromText()
{
    QFETCH(QString, text);
    QFETCH(bool, names);
    QFETCH(int, expected);

    const auto number = ::portNumberFromText(text);
    QCOMPARE(number.has_value(), names);
    if (names)
        QCOMPARE(*number, expected);
}

QTEST_APPLESS_MAIN(TestLinkLogic)
#include "tst_linklogic.moc"
