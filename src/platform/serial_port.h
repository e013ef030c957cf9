#pragma once

// The serial line to the receiver as the reception sees it: a device to open, the characters
// that arrive with their arrival stamps, and what went wrong as a cause (PortProblem), which the
// logic puts into words. The line settings belong to the implementation: each kind of receiver
// has its own, fixed.

#include "platform/port_problem.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dcf {

/// A character as read from the line, with the moment it arrived.
struct SerialInput
{
    /// The received character, or the empty text when nothing is waiting.
    std::string characters;
    /// When it arrived, on the time base's microsecond clock (TimeBase::microseconds()): edges
    /// are timed by this, however late they are read.
    int64_t arrivalMicroseconds = 0;
};

/// A serial port that the system reports as present.
struct SerialPortInfo
{
    /// As setPort() takes it: "/dev/ttyUSB0", "COM3".
    std::string device;
    /// The adapter's description and maker, where the system knows them; may be empty.
    std::string description;
    std::string manufacturer;
    bool operator==(const SerialPortInfo &) const = default;
};

/// The serial line to the receiver module. Reading never blocks; waiting for input is the
/// EventLoop's job.
class SerialPort
{
public:
    virtual ~SerialPort() = default;

    virtual bool isOpen() const = 0;

    /// The device to use at the next open(), e.g. "/dev/ttyS0", "/dev/ttyUSB0" or "COM1".
    virtual void setPort(const std::string &device) = 0;

    /// Opens the port with the receiver's line settings; nothing when it opened, else why not.
    virtual std::optional<PortProblem> open() = 0;
    virtual void close() = 0;

    /// Whether `device` could be opened now; nothing when it could. Leaves this port as it is:
    /// when it is open on `device`, the device counts as usable.
    virtual std::optional<PortProblem> check(const std::string &device) = 0;

    /// The next received character and its arrival time.
    virtual SerialInput read() = 0;

    /// Why the open port has failed (unplugged, hung up, unreadable); nothing while it works.
    virtual std::optional<PortProblem> failure() const = 0;

    /// The serial ports present now, in the order to show them.
    virtual std::vector<SerialPortInfo> availablePorts() const = 0;
};

} // namespace dcf
