// SPDX-License-Identifier: MIT
#include "core/settingsstring.h"
#include "engine/engine.h"
#include "link/qtserialport.h"
#include "shared/easing.h"
#include "shared/motion.h"
#include "shared/wirecommand.h"
#include "support/easedprofile.h"
#include "support/pseudoterminal.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "support/testmain.h"

#include <cmath>

// Eased moves in real time on the real serial port, to a far end that takes
// the bytes at the line's rate, as a board behind a UART does: the arm, rebuilt
// from the commands as they arrived, follows its curves, and the steps never
// pile up on the line.
namespace {

constexpr easing::Curve curve = easing::Curve::InOutSine;
constexpr int joints = 6;
constexpr int moveMs = 1000;
// Six joints from rest along the curve in one second, then back, each line
// 1.5 s long: the half second between the moves tells them apart.
const QString sequence = QStringLiteral("Time1500  #0P1000#1P2000#2P1000#3P2000#4P1000#5P2000T1000\r"
                                        "Time1500  #0P1500#1P1500#2P1500#3P1500#4P1500#5P1500T1000\r");
const std::array<std::array<int, joints>, 2> targets{
    {{1000, 2000, 1000, 2000, 1000, 2000}, {1500, 1500, 1500, 1500, 1500, 1500}}};
constexpr qint64 gapBetweenMovesUs = 250'000;
// How late the far end may read a command the line has delivered: its reader
// wakes every millisecond, and other work on the machine may delay it.
constexpr qint64 readerSlackUs = 20'000;
// The board off its curve, as a share of the travel: steps at their times keep
// well within it (the straight ramp between two points of the curve is off by
// a fraction of a percent); a straight move in one ramp is off by a tenth.
constexpr double curveTolerance = 0.05;

struct Heard {
    QByteArray text;
    qint64 arrivedUs = 0; // its CR read at the far end
};

QList<Heard> commandsHeard(const QList<PseudoTerminal::Arrival> &arrivals)
{
    QList<Heard> heard;
    QByteArray pending;
    for (const PseudoTerminal::Arrival &arrival : arrivals) {
        for (const char byte : arrival.bytes) {
            pending += byte;
            if (byte == '\r')
                heard.append({std::exchange(pending, {}), arrival.steadyUs});
        }
    }
    return heard;
}

void apply(motion::MotionModel &board, const Heard &command)
{
    const wirecommand::Command read = wirecommand::read(QByteArrayView(command.text));
    board.apply(read.targets(), read.timeMs, command.arrivedUs);
}

} // namespace

class TestEasedLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theBoardFollowsTheCurve_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("9600") << QStringLiteral("9600,n,8,1");
        QTest::newRow("115200") << QStringLiteral("115200,n,8,1");
    }
    void theBoardFollowsTheCurve()
    {
        QFETCH(QString, settings);
        const double bytesPerSecond =
            settingsstring::bytesPerSecond(std::get<settingsstring::LineSettings>(settingsstring::parse(settings)));
        QTemporaryDir folder;
        QList<int> eased;
        for (int joint = 0; joint < joints; ++joint)
            eased.append(joint);
        QFile profile(folder.filePath(QStringLiteral("arm.json")));
        QVERIFY(profile.open(QIODevice::WriteOnly) && profile.write(testsupport::easedProfile(eased, curve)) > 0);
        profile.close();
        PseudoTerminal pty;
        QVERIFY(pty.isValid());
        Engine engine({std::make_unique<QtSerialPort>(), folder.filePath(QStringLiteral("cmd.txt")),
                       folder.filePath(QStringLiteral("sent.json"))});
        SerialPort &port = engine.port();
        QVERIFY(port.setSettings(settings).ok());
        QVERIFY(port.setCommPort(pty.portNumber()).ok());
        QVERIFY(port.openPort().ok());
        pty.startReader(int(bytesPerSecond));

        engine.sequence().setText(sequence);
        QEventLoop loop;
        connect(&engine.playback(), &Playback::stopped, &loop, &QEventLoop::quit);
        QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
        engine.playback().run();
        loop.exec();
        QCOMPARE(engine.playback().ending(), Playback::Ending::EndOfSequence);
        QCOMPARE(port.queuedBytes(), 0);
        QTRY_COMPARE(commandsHeard(pty.arrivals()).size(), port.traffic().commands);
        const QList<Heard> heard = commandsHeard(pty.arrivals());
        QVERIFY2(heard.size() > qsizetype(2 * targets.size()), "no steps went out");

        // The board, fed the commands as they arrived, against each move's curve
        // from where it stood when the move's first command arrived.
        motion::MotionModel board;
        qsizetype next = 0;
        for (const std::array<int, joints> &to : targets) {
            QVERIFY2(next < heard.size(), "a move never arrived");
            const qint64 startUs = heard[next].arrivedUs;
            std::array<double, joints> from{};
            for (int joint = 0; joint < joints; ++joint)
                from[size_t(joint)] = board.position(joint, startUs);
            qsizetype end = next + 1;
            while (end < heard.size() && heard[end].arrivedUs - heard[end - 1].arrivedUs < gapBetweenMovesUs)
                ++end;
            // Nothing piles up: the move's last step is on the board by the move's end.
            QVERIFY2(heard[end - 1].arrivedUs - startUs <= moveMs * 1000 + readerSlackUs,
                     qPrintable(QStringLiteral("the move's last command arrived %1 ms after its first")
                                    .arg((heard[end - 1].arrivedUs - startUs) / 1000)));
            double worst = 0;
            qint64 worstAtUs = 0;
            for (qint64 t = startUs; t <= startUs + (moveMs + 100) * 1000; t += 2000) {
                for (; next < end && heard[next].arrivedUs <= t; ++next)
                    apply(board, heard[next]);
                const double share = easing::progress(curve, std::min(1.0, double(t - startUs) / (moveMs * 1e3)));
                for (int joint = 0; joint < joints; ++joint) {
                    const double travel = to[size_t(joint)] - from[size_t(joint)];
                    const double off = std::abs(board.position(joint, t) - (from[size_t(joint)] + travel * share));
                    if (off / std::abs(travel) > worst) {
                        worst = off / std::abs(travel);
                        worstAtUs = t - startUs;
                    }
                }
            }
            QVERIFY2(worst <= curveTolerance, qPrintable(QStringLiteral("%1 % of the travel off the curve, %2 ms in")
                                                             .arg(worst * 100, 0, 'f', 2)
                                                             .arg(worstAtUs / 1000)));
        }
        QCOMPARE(next, heard.size());
    }
};

SERVO_TEST_MAIN(TestEasedLine)
#include "tst_easedline.moc"
