// SPDX-License-Identifier: MIT
#include "portnames.h"

// Windows names its ports COM1, COM2, ...: the number is the port number.
namespace portnames {

QString displayName(const QString &systemPortName)
{
    return systemPortName;
}

QString deviceForPort(int number)
{
    return number >= 1 ? QStringLiteral("COM%1").arg(number) : QString();
}

bool heldByAnotherProgram(const QString &)
{
    // Windows refuses a port that another program holds with "access denied",
    // and has no other reason to refuse a COM port for lack of permission.
    return true;
}

bool onlyBufferFull(int)
{
    return false;
}

} // namespace portnames
