// SPDX-License-Identifier: MIT
#include "core/portnames.h"
#include "core/portnumber.h"
#include "core/settingsstring.h"

#include <QRegularExpression>
#include <QTest>

#include <optional>
#include "support/testmain.h"

using settingsstring::LineSettings;
using settingsstring::Problem;
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
        using F = settingsstring::Problem::Field;
        QTest::addColumn<QString>("settings");
        QTest::addColumn<bool>("oneAndHalf");                // the platform can send 1.5 stop bits
        QTest::addColumn<std::optional<Problem>>("problem"); // none: accepted
        QTest::addColumn<LineSettings>("expected");

        const auto ok = [](const char *s, LineSettings line) {
            QTest::newRow(s) << s << true << std::optional<Problem>() << line;
        };
        const auto no = [](const char *name, const char *s, F field, const char *given) {
            QTest::newRow(name) << s << true << std::optional(Problem{field, QString::fromUtf8(given)})
                                << LineSettings{};
        };
        ok("57600,n,8,1", {57600, P::None, 8, S::One});
        ok("9600,e,7,2", {9600, P::Even, 7, S::Two});
        ok("1200,o,5,1.5", {1200, P::Odd, 5, S::OneAndHalf});
        // Where the ports cannot send 1.5 stop bits they are refused, not faked as 1.
        QTest::newRow("1.5 where the ports cannot")
            << "1200,o,5,1.5" << false << std::optional(Problem{F::StopBits, "1.5", true}) << LineSettings{};
        QTest::newRow("1 where 1.5 is missing")
            << "9600,n,8,1" << false << std::optional<Problem>() << LineSettings{9600, P::None, 8, S::One};
        QTest::newRow("2 where 1.5 is missing")
            << "9600,n,8,2" << false << std::optional<Problem>() << LineSettings{9600, P::None, 8, S::Two};
        ok("4800,m,6,1", {4800, P::Mark, 6, S::One});
        ok("1,s,8,1", {1, P::Space, 8, S::One});
        ok("4000000,n,8,1", {4000000, P::None, 8, S::One});
        no("baud not digits", "96OO,n,8,1", F::BaudRate, "96OO");
        no("baud signed", "+9600,n,8,1", F::BaudRate, "+9600");
        no("baud zero", "0,n,8,1", F::BaudRate, "0");
        no("baud too large", "4000001,n,8,1", F::BaudRate, "4000001");
        no("baud overflows", "99999999999999999999,n,8,1", F::BaudRate, "99999999999999999999");
        no("parity x", "9600,x,8,1", F::Parity, "x");
        no("parity empty", "9600,,8,1", F::Parity, "");
        no("data bits 4", "9600,n,4,1", F::DataBits, "4");
        no("data bits 9", "9600,n,9,1", F::DataBits, "9");
        no("stop bits 0", "9600,n,8,0", F::StopBits, "0");
        no("stop bits 3", "9600,n,8,3", F::StopBits, "3");
        no("stop bits 1,5", "9600,n,8,1,5", F::StopBits, "1,5");
        no("stop bits missing", "9600,n,8", F::StopBits, "");
    }
    void parse()
    {
        QFETCH(QString, settings);
        QFETCH(bool, oneAndHalf);
        QFETCH(std::optional<Problem>, problem);
        QFETCH(LineSettings, expected);

        const auto result = settingsstring::parse(settings, oneAndHalf);
        if (!problem) {
            QVERIFY(std::holds_alternative<LineSettings>(result));
            QVERIFY(std::get<LineSettings>(result) == expected);
        } else {
            QVERIFY(std::holds_alternative<Problem>(result));
            const Problem &found = std::get<Problem>(result);
            QCOMPARE(found.field, problem->field);
            QCOMPARE(found.given, problem->given);
            QCOMPARE(found.unsupported, problem->unsupported);
        }
    }

    // What the operator reads (no catalogue installed: the Chinese source).
    void describe_data()
    {
        using F = settingsstring::Problem::Field;
        QTest::addColumn<Problem>("problem");
        QTest::addColumn<bool>("oneAndHalf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("baud") << Problem{F::BaudRate, "96OO"} << true
                              << u"比特率“96OO”无效：应为 1 到 4000000 之间的整数。"_qs;
        QTest::newRow("parity") << Problem{F::Parity, "x"} << true << u"校验位“x”无效：应为 n、e、o、m 或 s。"_qs;
        QTest::newRow("data bits") << Problem{F::DataBits, "9"} << true << u"数据位“9”无效：应为 5、6、7 或 8。"_qs;
        QTest::newRow("stop bits, 1.5 possible")
            << Problem{F::StopBits, "3"} << true << u"停止位“3”无效：应为 1、1.5 或 2。"_qs;
        QTest::newRow("stop bits, 1.5 not possible")
            << Problem{F::StopBits, "3"} << false << u"停止位“3”无效：应为 1 或 2。"_qs;
        QTest::newRow("1.5 unsupported") << Problem{F::StopBits, "1.5", true} << false
                                         << u"停止位“1.5”无法使用：本系统的串口不支持 1.5 位停止位，应为 1 或 2。"_qs;
    }
    void describe()
    {
        QFETCH(Problem, problem);
        QFETCH(bool, oneAndHalf);
        QFETCH(QString, expected);
        QCOMPARE(settingsstring::describe(problem, oneAndHalf), expected);
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

        for (const auto &[system, listed] :
             std::initializer_list<std::pair<const char *, const char *>>{{"ttyS0", "COM1 (ttyS0)"},
                                                                          {"ttyS31", "COM32 (ttyS31)"},
                                                                          {"ttyUSB0", "COM33 (ttyUSB0)"},
                                                                          {"ttyACM1", "COM66 (ttyACM1)"},
                                                                          {"ttyAMA0", "COM97 (ttyAMA0)"},
                                                                          {"rfcomm0", "COM129 (rfcomm0)"},
                                                                          {"rfcomm31", "COM160 (rfcomm31)"},
                                                                          {"ttyXYZ0", ""},
                                                                          {"ttyUSB32", ""},
                                                                          {"ttyUSB", ""},
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

        for (const auto &[number, device] :
             std::initializer_list<std::pair<int, const char *>>{{1, "/dev/ttyS0"},
                                                                 {33, "/dev/ttyUSB0"},
                                                                 {65, "/dev/ttyACM0"},
                                                                 {128, "/dev/ttyAMA31"},
                                                                 {160, "/dev/rfcomm31"},
                                                                 {1000, "/dev/pts/0"},
                                                                 {32767, "/dev/pts/31767"},
                                                                 {0, ""},
                                                                 {-1, ""},
                                                                 {161, ""},
                                                                 {999, ""},
                                                                 {32768, ""}})
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
