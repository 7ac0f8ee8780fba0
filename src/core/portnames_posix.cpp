// SPDX-License-Identifier: MIT
#include "portnames.h"

#include <QRegularExpression>

#include <cerrno>
#include <unistd.h>

// Port numbers on Linux and other POSIX systems:
//   COM1..COM32      ttyS0..ttyS31      on-board UARTs
//   COM33..COM64     ttyUSB0..ttyUSB31  USB serial adapters
//   COM65..COM96     ttyACM0..ttyACM31  USB CDC devices (boards with native USB)
//   COM97..COM128    ttyAMA0..ttyAMA31  ARM UARTs (Raspberry Pi header)
//   COM129..COM160   rfcomm0..rfcomm31  Bluetooth serial links
//   COM1000 and up   pts/0 and up       pseudo-terminals (simulators, socat);
//                                       never listed, but can be typed in
namespace portnames {

namespace {

struct Range {
    QLatin1StringView device; // name below /dev, before the index
    int first;                // port number of index 0
    int count;
};

constexpr Range table[] = {
    {QLatin1StringView("ttyS"), 1, 32},     {QLatin1StringView("ttyUSB"), 33, 32},
    {QLatin1StringView("ttyACM"), 65, 32},  {QLatin1StringView("ttyAMA"), 97, 32},
    {QLatin1StringView("rfcomm"), 129, 32}, {QLatin1StringView("pts/"), 1000, 32767 - 1000 + 1},
};

} // namespace

QString displayName(const QString &systemPortName)
{
    static const QRegularExpression pattern(QStringLiteral("^([A-Za-z/]+?)(\\d+)$"));
    const QRegularExpressionMatch match = pattern.match(systemPortName);
    if (!match.hasMatch())
        return {};
    const QString device = match.captured(1);
    bool ok = false;
    const int index = match.captured(2).toInt(&ok);
    for (const Range &range : table) {
        if (ok && device == range.device && index < range.count)
            return QStringLiteral("COM%1 (%2)").arg(range.first + index).arg(systemPortName);
    }
    return {};
}

QString deviceForPort(int number)
{
    for (const Range &range : table) {
        if (number >= range.first && number < range.first + range.count)
            return QStringLiteral("/dev/") + range.device + QString::number(number - range.first);
    }
    return {};
}

bool heldByAnotherProgram(const QString &device)
{
    return ::access(device.toLocal8Bit().constData(), R_OK | W_OK) == 0;
}

bool onlyBufferFull(int systemError)
{
    return systemError == EAGAIN || systemError == EWOULDBLOCK;
}

} // namespace portnames
