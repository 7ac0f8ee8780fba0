// SPDX-License-Identifier: MIT
// servo-board run with an arm profile as its own process, the main window
// driving it with the same profile: nothing outside a channel's band arrives.

#include "app/portdiscovery.h"
#include "link/qtserialport.h"
#include "shared/virtualboards.h"
#include "support/filebytes.h"
#include "support/windowharness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "support/testmain.h"

namespace {

const QByteArray profile = R"({"channels": {"5": {"name": "底座旋转", "min": 900, "max": 2100}}})";

} // namespace

class TestBoardLimits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        m_tracePath = m_runtime.filePath(QStringLiteral("trace.jsonl"));
        m_profilePath = m_runtime.filePath(QStringLiteral("arm.json"));
    }

    void cleanup()
    {
        if (m_board.state() != QProcess::NotRunning) {
            m_board.kill();
            m_board.waitForFinished();
        }
        QFile::remove(m_profilePath);
    }

    void noPulseOutsideTheBandArrives()
    {
        QVERIFY(writeAll(m_profilePath, profile));
        QVERIFY(startBoard());
        WindowHarness::Options options;
        options.port = std::make_unique<QtSerialPort>();
        options.ports = systemPortEnumerator()();
        WindowHarness harness(std::move(options), profile);
        harness.connectTo(m_listed);
        QVERIFY(harness.window().portIsOpen());
        harness.checkBox(5).setChecked(true);

        // A drag from one end of the slider to the other, slowly enough that
        // no move waiting for the line is merged into a later one, then the
        // same pulses typed and sent.
        QScrollBar &slider = harness.slider(5);
        slider.setSliderDown(true);
        for (int pulse = 500; pulse <= 2500; pulse += 50) {
            slider.setSliderPosition(pulse);
            QTest::qWait(5);
        }
        slider.setSliderDown(false);
        for (const char *typed : {"#5P3000S0", "#5P400S0"}) {
            harness.child<QLineEdit>(QStringLiteral("Text3")).setText(QString::fromLatin1(typed));
            harness.button("Command8").click();
        }

        // The last command sent has arrived, held.
        QTRY_VERIFY_WITH_TIMEOUT(!trace().isEmpty() && trace().last()[u"raw"].toString() == u"#5P900S0", 10000);
        QVERIFY(trace().size() >= 20);
        QSet<int> pulses;
        for (const QJsonObject &command : trace()) {
            QCOMPARE(command[u"flags"].toArray().size(), 0);
            for (const QJsonValue &group : command[u"groups"].toArray()) {
                QCOMPARE(group[u"channel"].toInt(), 5);
                pulses.insert(group[u"pulse"].toInt());
            }
        }
        QVERIFY2(*std::min_element(pulses.begin(), pulses.end()) == 900
                     && *std::max_element(pulses.begin(), pulses.end()) == 2100,
                 qPrintable(QString::number(pulses.size())));
    }

    // A profile with a fault is told on the board's error output; the board runs.
    void badProfileIsToldAndTheBoardRuns()
    {
        QVERIFY(writeAll(m_profilePath, R"({"channels": {"5": {"min": 99}}})"));
        m_board.setProcessChannelMode(QProcess::SeparateChannels);
        QVERIFY(startBoard());
        QCOMPARE(m_board.state(), QProcess::Running);
        QString errors;
        QTRY_VERIFY2((errors += QString::fromLocal8Bit(m_board.readAllStandardError()))
                         .contains(u"channels.5.min: out of range (99)"),
                     qPrintable(errors));
    }

    // A profile written, rewritten with a fault or removed while the board
    // runs is read again and told; the board runs on.
    void tellsEachChangeOfItsProfile_data()
    {
        QTest::addColumn<bool>("thereAtStart");
        QTest::addColumn<QByteArray>("written"); // empty: the file is removed
        QTest::addColumn<QString>("told");
        QTest::newRow("written") << false << profile << "changed; the gauges and the arm follow it";
        QTest::newRow("rewritten with a fault")
            << true << QByteArray(R"({"channels": {"5": {"min": 99}}})") << "channels.5.min: out of range (99)";
        QTest::newRow("removed") << true << QByteArray() << "gone; the arm is as it comes";
    }
    void tellsEachChangeOfItsProfile()
    {
        QFETCH(bool, thereAtStart);
        QFETCH(QByteArray, written);
        QFETCH(QString, told);
        if (thereAtStart)
            QVERIFY(writeAll(m_profilePath, profile));
        m_board.setProcessChannelMode(QProcess::SeparateChannels);
        QVERIFY(startBoard());
        if (written.isEmpty())
            QVERIFY(QFile::remove(m_profilePath));
        else
            QVERIFY(writeAll(m_profilePath, written));
        QString errors;
        QTRY_VERIFY2((errors += QString::fromLocal8Bit(m_board.readAllStandardError())).contains(told),
                     qPrintable(errors));
        QCOMPARE(m_board.state(), QProcess::Running);
    }

private:
    bool startBoard()
    {
        m_board.setProgram(QStringLiteral(SERVO_BOARD_PATH));
        m_board.setArguments({QStringLiteral("--headless"), QStringLiteral("--trace"), m_tracePath,
                              QStringLiteral("--profile"), m_profilePath});
        m_board.start();
        if (!m_board.waitForStarted())
            return false;
        if (!m_board.canReadLine() && !m_board.waitForReadyRead(5000))
            return false;
        const QStringList first = QString::fromLocal8Bit(m_board.readLine()).trimmed().split(u' ');
        m_listed = virtualboards::displayName(first[0].mid(3).toInt());
        return first.size() == 2;
    }

    QList<QJsonObject> trace() const
    {
        QList<QJsonObject> lines;
        for (const QByteArray &line : readAll(m_tracePath).split('\n')) {
            if (!line.isEmpty())
                lines.append(QJsonDocument::fromJson(line).object());
        }
        return lines;
    }

    QTemporaryDir m_runtime;
    QString m_tracePath;
    QString m_profilePath;
    QProcess m_board;
    QString m_listed;
};

SERVO_TEST_MAIN(TestBoardLimits)
#include "tst_boardlimits.moc"
