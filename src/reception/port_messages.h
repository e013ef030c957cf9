#pragma once

// What the user reads when the port named in "ComPort No." does not open: what happened and what
// to do about it, in German, with the system's own words at most in parentheses at the end.

#include "platform/serial_port.h"
#include "reception/port_name.h"

#include <string>
#include <vector>

namespace dcf {

/// Everything the platform said about a port that did not open.
struct PortOpenReport
{
    /// As the reception named it: "/dev/ttyUSB0", "COM3".
    std::string device;
    PortProblem problem;
    /// The ports present (used when the device does not exist).
    std::vector<SerialPortInfo> ports;
};

/// The message for a port that did not open. On Windows it speaks of port numbers only.
std::string unopenablePortText(const PortOpenReport &report,
                               DeviceNaming naming = DeviceNaming::Native);

/// The message for a port that failed while the reception read it.
std::string failedPortText(const std::string &device, const PortProblem &problem);

} // namespace dcf
