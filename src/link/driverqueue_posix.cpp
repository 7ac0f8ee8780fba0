// SPDX-License-Identifier: MIT
#include "driverqueue.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace driverqueue {

std::optional<qint64> unsentBytes(qintptr handle)
{
#ifdef TIOCOUTQ
    int unsent = 0;
    if (::ioctl(int(handle), TIOCOUTQ, &unsent) == 0 && unsent >= 0)
        return unsent;
#else
    Q_UNUSED(handle);
#endif
    return std::nullopt;
}

} // namespace driverqueue
