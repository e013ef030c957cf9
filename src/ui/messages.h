#pragma once

// Every sentence the program shows in a message box, in German, and nowhere else. The platform
// reports what went wrong as a cause with the system's error number (PortProblem); the reception
// and the program pick the message, and this file words it: what happened, then what to do.
// Every sentence ends with a full stop; a long text the user typed is shortened, so that it
// cannot push the explanation out of the box. It sits with the windows, below the routines, so
// that each of them can use it.

#include "platform/port_problem.h"
#include "platform/serial_port.h"
#include "ui/port_name.h"

#include <string>
#include <vector>

namespace dcf {

/// "ComPort No." names no device: nothing typed, or no number and no path.
std::string unusablePortText(const std::string &portText);

/// Everything known about a port that did not open.
struct PortOpenReport
{
    /// As the reception named it: "/dev/ttyUSB0", "COM3".
    std::string device;
    PortProblem problem;
    /// The ports present (listed when the device does not exist).
    std::vector<SerialPortInfo> ports;
};

/// A port that did not open. On Windows it speaks of port numbers only.
std::string unopenablePortText(const PortOpenReport &report,
                               DeviceNaming naming = DeviceNaming::Native);

/// A port that failed while the reception read it.
std::string failedPortText(const std::string &device, const PortProblem &problem);

/// "/dev/ttyUSB0 – FT232R USB UART (Hersteller: FTDI)", as far as the system knows the adapter:
/// a line of the list of ports, and an entry of what "ComPort No." suggests.
std::string portDescription(const SerialPortInfo &port);

/// A fault of the program itself, with its description.
std::string internalErrorText(const std::string &what);

/// The longest text of the user's that a message quotes in full, in characters.
inline constexpr std::size_t kLongestQuote = 60;

} // namespace dcf
