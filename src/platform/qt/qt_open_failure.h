#pragma once

#include "platform/serial_port.h"

#include <QSerialPort>

namespace dcf {

/// Why QSerialPort::open() failed, from its error and the system's error number right after it.
/// Qt reports a refused device, a device that another program has opened exclusively and one
/// whose lock another program holds all as PermissionError; only the system's number tells them
/// apart.
PortOpenFailure classifyOpenFailure(QSerialPort::SerialPortError error, int systemError);

} // namespace dcf
