// SPDX-License-Identifier: MIT
#pragma once

// An Uno program run on the emulated ATmega328P (uno-host), what came out on
// its pins, and the checks of those pulses against the console's motion model.

#include "shared/easing.h"
#include "shared/motion.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QProcess>
#include <QString>

#include <array>
#include <map>
#include <optional>

namespace unorun {

struct Pulse {
    int pin = 0;
    double riseUs = 0;
    double widthUs = 0;
};

// A line the program took: when its end was read, and its text.
struct Line {
    double atUs = 0;
    QByteArray text;
};

struct Output {
    QList<Pulse> pulses;
    QList<Line> lines;
    QByteArray written; // what the program sent back on its line
    double endUs = 0;
};

// Arduino pin → board channel, as the table at the head of a sketch sets it.
QMap<int, int> channelOfPin(const QString &sketchPath);

// Runs `program` for `untilMs` of emulated time, feeding its line from the
// script ("<ms> <bytes>" lines, see unohost.cpp); fails the test when it cannot.
Output runScript(const QString &program, const QList<int> &pins, const QByteArray &script, int untilMs);

// The program on a pseudo-terminal, in real time, for the console to connect to.
class PtyRun
{
public:
    PtyRun(const QString &program, const QList<int> &pins);
    ~PtyRun();
    // The device, once the emulator has made it; empty when it could not.
    QString device() const { return m_device; }
    int portNumber() const;
    // Ends the run and reads what came out.
    Output finish();

private:
    QProcess m_process;
    QString m_device;
};

using Curves = std::array<easing::Curve, motion::channelCount>;

// The model's positions at any instant for commands that arrived at given
// times, read as the virtual board's reader (boardcommand) reads them. `held`
// servos stand at their pulse from `startUs` on, before any command. An eased
// servo follows its curve (easing::progress) over the time the motion model
// gives its move; it is retargeted only once it has arrived.
class ModelTrace
{
public:
    explicit ModelTrace(const QList<Line> &lines, const std::map<int, int> &held = {}, qint64 startUs = 0,
                        const Curves &curves = {});
    // After the first `taken` commands, at `atUs` (not before the last of them).
    double position(int channel, qint64 atUs, qsizetype taken) const;
    bool commanded(int channel, qsizetype taken) const;
    // How many commands had arrived by `atUs`.
    qsizetype arrivedBy(qint64 atUs) const;
    // Since when the channel has been commanded, if ever.
    std::optional<qint64> firstCommandUs(int channel) const;

private:
    QList<motion::MotionModel> m_after;                     // m_after[k]: the first k commands carried out
    QList<std::array<double, motion::channelCount>> m_from; // where each channel's last move began
    QList<qint64> m_arrivals;
    qint64 m_startUs = 0;
    Curves m_curves;
};

// What is wrong with the pulses, or nothing. Every pin of `channelOfPin` pulses
// every 20 ms (±1 ms) from the frame after its channel's first command to the
// end (the last pulse may still be high then), and not before; each width is the model's at the pulse's rise (±10 µs),
// for the commands that had arrived, those of the last frame (+1 ms) perhaps
// not yet taken.
QString checkPulses(const Output &output, const QMap<int, int> &channelOfPin, const ModelTrace &model);

} // namespace unorun
