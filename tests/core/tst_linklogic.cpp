#include "core/portnames.h"
#include "core/portnumber.h"
#include "core/settingsstring.h"

#include <QRegularExpression>
#include <QTest>
#include "support/testmain.h"

using settingsstring::LineSettings;
using P = LineSettings::Parity;
using S = LineSettings::StopBits;

Q_DECLARE_METATYPE(LineSettings)

namespace {

QStringList fields(const QString &settings)
{
    const settingsstring::Fields f = settingsstring::split(settings);
    return {f.baudRate, f.parity, f.dataBits, f.stopBits};
}

} // namespace

class TestLinkLogic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("initial") << settingsstring::initial << QStringList{"115200", "n", "8", "1"};
        QTest::newRow("rest stays in stop bits") << "9600,n,7,2,x" << QStringList{"9600", "n", "7", "2,x"};
        QTest::newRow("two commas") << "9600,e,7" << QStringList{"9600", "e", "7", ""};
        QTest::newRow("no comma") << "9600" << QStringList{"9600", "", "", ""};
        QTest::newRow("empty") << "" << QStringList{"", "", "", ""};
    }
    void split()
    {
        QFETCH(QString, settings);
        QFETCH(QStringList, expected);
        QCOMPARE(fields(settings), expected);
    }

    void build()
    {
        QCOMPARE(settingsstring::build("9600", "7", "2"), QStringLiteral("9600,n,7,2"));
        QCOMPARE(fields(settingsstring::build("57600", "8", "1.5")), (QStringList{"57600", "n", "8", "1.5"}));
    }

    void parse_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("oneAndHalf"); // the platform can send 1.5 stop bits
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<LineSettings>("expected");

        const auto ok = [](const char *s, LineSettings line) { QTest::newRow(s) << s << true << true << line; };
        const auto no = [](const char *name, const char *s) {
            QTest::newRow(name) << s << true << false << LineSettings{};
        };
        ok("57600,n,8,1", {57600, P::None, 8, S::One});
        ok("9600,e,7,2", {9600, P::Even, 7, S::Two});
        ok("1200,o,5,1.5", {1200, P::Odd, 5, S::OneAndHalf});
        // Where the ports cannot send 1.5 stop bits they are refused, not faked as 1.
        QTest::newRow("1.5 where the ports cannot") << "1200,o,5,1.5" << false << false << LineSettings{};
        QTest::newRow("1 where 1.5 is missing") << "9600,n,8,1" << false << true << LineSettings{9600, P::None, 8, S::One};
        QTest::newRow("2 where 1.5 is missing") << "9600,n,8,2" << false << true << LineSettings{9600, P::None, 8, S::Two};
        ok("4800,m,6,1", {4800, P::Mark, 6, S::One});
        ok("1,s,8,1", {1, P::Space, 8, S::One});
        ok("4000000,n,8,1", {4000000, P::None, 8, S::One});
        no("baud not digits", "96OO,n,8,1");
        no("baud signed", "+9600,n,8,1");
        no("baud zero", "0,n,8,1");
        no("baud too large", "4000001,n,8,1");
        no("baud overflows", "99999999999999999999,n,8,1");
        no("parity x", "9600,x,8,1");
        no("parity empty", "9600,,8,1");
        no("data bits 4", "9600,n,4,1");
        no("data bits 9", "9600,n,9,1");
        no("stop bits 0", "9600,n,8,0");
        no("stop bits 3", "9600,n,8,3");
        no("stop bits 1,5", "9600,n,8,1,5");
        no("stop bits missing", "9600,n,8");
    }
    void parse()
    {
        QFETCH(QString, settings);
        QFETCH(bool, oneAndHalf);
        QFETCH(bool, accepted);
        QFETCH(LineSettings, expected);

        const auto result = settingsstring::parse(settings, oneAndHalf);
        if (accepted) {
            QVERIFY(std::holds_alternative<LineSettings>(result));
            QVERIFY(std::get<LineSettings>(result) == expected);
        } else {
            QVERIFY(std::holds_alternative<QString>(result));
            // The reason goes to the operator as it is.
            static const QRegularExpression chinese(QStringLiteral("[\\x{4E00}-\\x{9FFF}]"));
            QVERIFY2(std::get<QString>(result).contains(chinese), qPrintable(std::get<QString>(result)));
        }
    }

    void bytesPerSecond_data()
    {
        QTest::addColumn<LineSettings>("line");
        QTest::addColumn<double>("expected");
        QTest::newRow("115200 8N1") << LineSettings{115200, P::None, 8, S::One} << 11520.0;
        QTest::newRow("2400 8N1") << LineSettings{2400, P::None, 8, S::One} << 240.0;
        QTest::newRow("9600 7E2") << LineSettings{9600, P::Even, 7, S::Two} << 872.727;
        QTest::newRow("1200 5O1.5") << LineSettings{1200, P::Odd, 5, S::OneAndHalf} << 141.176;
    }
    void bytesPerSecond()
    {
        QFETCH(LineSettings, line);
        QFETCH(double, expected);
        QVERIFY2(std::abs(settingsstring::bytesPerSecond(line) - expected) < 0.001,
                 qPrintable(QString::number(settingsstring::bytesPerSecond(line))));
    }

    void displayName_data()
    {
        QTest::addColumn<QString>("system");
        QTest::addColumn<QString>("listed");

        for (const auto &[system, listed] : std::initializer_list<std::pair<const char *, const char *>>{
                 {"ttyS0", "COM1 (ttyS0)"}, {"ttyS31", "COM32 (ttyS31)"}, {"ttyUSB0", "COM33 (ttyUSB0)"},
                 {"ttyACM1", "COM66 (ttyACM1)"}, {"ttyAMA0", "COM97 (ttyAMA0)"}, {"rfcomm0", "COM129 (rfcomm0)"},
                 {"rfcomm31", "COM160 (rfcomm31)"}, {"ttyXYZ0", ""}, {"ttyUSB32", ""}, {"ttyUSB", ""},
                 {"ttyS99999999999", ""}})
            QTest::newRow(system) << QString(system) << QString(listed);
    }
    void displayName()
    {
        QFETCH(QString, system);
        QFETCH(QString, listed);
        QCOMPARE(portnames::displayName(system), listed);
        // Connecting reads the number back out of the listed text and must open
        // the very device that was listed.
        if (!listed.isEmpty()) {
            const auto number = ::portNumberFromText(listed);
            QVERIFY(number.has_value());
            QCOMPARE(portnames::deviceForPort(*number), QStringLiteral("/dev/") + system);
        }
    }

    void deviceForPort_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("device");

        for (const auto &[number, device] : std::initializer_list<std::pair<int, const char *>>{
                 {1, "/dev/ttyS0"}, {33, "/dev/ttyUSB0"}, {65, "/dev/ttyACM0"}, {128, "/dev/ttyAMA31"},
                 {160, "/dev/rfcomm31"}, {1000, "/dev/pts/0"}, {32767, "/dev/pts/31767"},
                 {0, ""}, {-1, ""}, {161, ""}, {999, ""}, {32768, ""}})
            QTest::addRow("%d", number) << number << QString(device);
    }
    void deviceForPort()
    {
        QFETCH(int, number);
        QFETCH(QString, device);
        QCOMPARE(portnames::deviceForPort(number), device);
    }

    void portNumberFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("COM3") << "COM3" << QVariant(3);
        QTest::newRow("COM12") << "COM12" << QVariant(12);
        QTest::newRow("listed name") << "COM33 (ttyUSB0)" << QVariant(33);
        QTest::newRow("letters only") << "COM" << QVariant(0);
        QTest::newRow("typed pseudo-terminal") << "COM1000" << QVariant(1000);
        QTest::newRow("empty") << "" << QVariant();
        QTest::newRow("too short") << "CO" << QVariant();
        QTest::newRow("outside 16 bits") << "COM99999" << QVariant();
        QTest::newRow("beyond a double") << QString(QStringLiteral("COM1") + QString(400, u'0')) << QVariant();
        QTest::newRow("half to even, down") << "COM2.5" << QVariant(2);
        QTest::newRow("half to even, up") << "COM3.5" << QVariant(4);
    }
    void portNumberFromText()
    {
        QFETCH(QString, text);
        QFETCH(QVariant, expected);
        const auto number = ::portNumberFromText(text);
        QCOMPARE(number ? QVariant(*number) : QVariant(), expected);
    }
};

SERVO_TEST_MAIN(TestLinkLogic)
#include "tst_linklogic.moc"
