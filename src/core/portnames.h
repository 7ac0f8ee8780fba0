// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// How serial port numbers map to the system's devices. On Windows port n is the
// system's COMn. Elsewhere there are no COM names, so each device gets a fixed
// number from one table (see portnames_posix.cpp) and is listed as that COM name
// followed by the device: "COM33 (ttyUSB0)". Connect reads the number after
// "COM" either way.
namespace portnames {

// The list entry for a port the system reports by its port name (ttyUSB0, COM3);
// empty when the table gives that device no number.
QString displayName(const QString &systemPortName);

// The device that port number n opens, as QSerialPort takes it; empty when no
// device has that number.
QString deviceForPort(int number);

// After an open was refused for lack of permission: true when the device itself
// is accessible, so the refusal came from another program holding the port.
bool heldByAnotherProgram(const QString &device);

// After a read or write on an open port failed, given errno as the failing call
// left it: true when the device only could not take more bytes at that moment
// (its output buffer is full, EAGAIN), false when it is gone (hang-up, EIO,
// ENXIO, ...). Windows queues what its driver cannot take yet and never reports
// a full buffer as an error.
bool onlyBufferFull(int systemError);

} // namespace portnames
