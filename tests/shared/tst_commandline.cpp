// SPDX-License-Identifier: MIT
#include "shared/commandline.h"

#include <QCommandLineParser>
#include <QTest>

#include <vector>
#include "support/testmain.h"

namespace {

// A program with the help and version options and one option of its own that takes a value.
void describeOptions(QCommandLineParser &parser)
{
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({QStringLiteral("trace"), QStringLiteral("trace file"), QStringLiteral("file")});
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void asksOnlyForText_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after the program's name
        QTest::addColumn<bool>("onlyText");

        QTest::newRow("--version") << QStringList{"--version"} << true;
        QTest::newRow("-v") << QStringList{"-v"} << true;
        QTest::newRow("--help") << QStringList{"--help"} << true;
        QTest::newRow("-h") << QStringList{"-h"} << true;
        QTest::newRow("help after an own option") << QStringList{"--trace", "t.jsonl", "--help"} << true;
        QTest::newRow("no arguments") << QStringList{} << false;
        QTest::newRow("own option only") << QStringList{"--trace", "t.jsonl"} << false;
        QTest::newRow("--version as an option's value") << QStringList{"--trace", "--version"} << false;
        QTest::newRow("--help-all") << QStringList{"--help-all"} << false;
        QTest::newRow("unknown option") << QStringList{"--no-such-option", "--version"} << false;
        QTest::newRow("window-system option") << QStringList{"-platform", "offscreen", "--version"} << false;
    }
    void asksOnlyForText()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, onlyText);
        std::vector<QByteArray> bytes{QByteArrayLiteral("program")};
        for (const QString &argument : arguments)
            bytes.push_back(argument.toLocal8Bit());
        std::vector<char *> argv;
        for (QByteArray &argument : bytes)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        QCOMPARE(commandline::asksOnlyForText(static_cast<int>(bytes.size()), argv.data(), describeOptions), onlyText);
    }
};

SERVO_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
