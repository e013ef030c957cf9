#pragma once

// Why a serial device cannot be used, as the Qt serial port finds out: what the device is before
// QSerialPort tries it, and QSerialPort's error with the system's number after. Causes only; the
// logic words them.

#include "platform/port_problem.h"

#include <QSerialPort>
#include <optional>
#include <string>

namespace dcf {

/// Why QSerialPort::open() failed, from its error and the system's error number right after it.
/// Qt reports a refused device, a device that another program has opened exclusively and one
/// whose lock another program holds all as PermissionError; only the system's number tells them
/// apart.
PortProblem classifyOpenFailure(QSerialPort::SerialPortError error, int systemError);

/// What rules `device` out before it is opened: nothing at that path, or something that is no
/// terminal (a regular file, a directory, a FIFO, /dev/null). Nothing when it may be a port.
std::optional<PortProblem> problemBeforeOpening(const std::string &device);

/// Adds the device's owner and group, which the advice for a refused device depends on.
void addOwnership(PortProblem &problem, const std::string &device);

/// Whether both paths name one device (through links, or a device node of the same number).
bool sameDevice(const std::string &first, const std::string &second);

} // namespace dcf
