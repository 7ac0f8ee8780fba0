// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <variant>

// The settings string of a serial port: baud rate, parity letter, data bits and
// stop bits separated by commas, such as "115200,n,8,1".
namespace settingsstring {

inline constexpr auto initial = "115200,n,8,1";

struct Fields {
    QString baudRate;
    QString parity;
    QString dataBits;
    QString stopBits;
};

// Splits at the first three commas; the last field is the whole rest. Missing
// fields are empty.
Fields split(const QString &settings);

// What the port settings dialog writes: parity is always "n".
QString build(const QString &baudRate, const QString &dataBits, const QString &stopBits);

struct LineSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    qint32 baudRate = 115200;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const LineSettings &, const LineSettings &) = default;
};

// What the line carries: each byte takes a start bit, its data bits, a parity
// bit if any and its stop bits (ten bits at 8N1: 11,520 bytes/s at 115200).
double bytesPerSecond(const LineSettings &line);

// Whether this platform's serial ports can send 1.5 stop bits. Windows can;
// termios has no such setting, and a POSIX port would quietly send 1 instead.
#ifdef Q_OS_WIN
inline constexpr bool platformHasOneAndHalfStopBits = true;
#else
inline constexpr bool platformHasOneAndHalfStopBits = false;
#endif

// Why a settings string is refused: the first field that is wrong, as written.
struct Problem {
    enum class Field { BaudRate, Parity, DataBits, StopBits };
    Field field = Field::BaudRate;
    QString given;
    // A valid value that this platform's ports cannot send (1.5 stop bits).
    bool unsupported = false;

    friend bool operator==(const Problem &, const Problem &) = default;
};

// The settings a serial port can be given, or why the string is refused. 1.5
// stop bits are refused where the ports cannot send them rather than accepted
// and not honoured.
std::variant<LineSettings, Problem> parse(const QString &settings,
                                          bool oneAndHalfStopBits = platformHasOneAndHalfStopBits);

// The problem in the operator's language, with the values the field takes.
QString describe(const Problem &problem, bool oneAndHalfStopBits = platformHasOneAndHalfStopBits);

} // namespace settingsstring
