#pragma once

// The serial ports present, as "ComPort No." suggests them and the message about a missing
// device lists them.

#include "platform/serial_port.h"

#include <vector>

namespace dcf {

/// The serial ports the system reports, as the user names them (device paths; COMn on Windows),
/// in natural order: ttyS2 before ttyS10.
std::vector<SerialPortInfo> listSerialPorts();

} // namespace dcf
