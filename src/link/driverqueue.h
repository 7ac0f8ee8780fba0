// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

#include <optional>

namespace driverqueue {

// Bytes the driver holds for the line on the open device `handle` (the
// descriptor of QSerialPort::handle()), where the driver keeps such a count;
// nothing where it does not.
std::optional<qint64> unsentBytes(qintptr handle);

} // namespace driverqueue
