#pragma once

// Why a serial port did not open, or failed while open, as the platform reports it: a cause and
// the system's error number, never a sentence. The logic words every message the user reads.

#include <string>
#include <utility>

namespace dcf {

enum class PortFault {
    NoAccess, ///< the user may not use the device (EACCES, EPERM)
    NoSuchDevice, ///< nothing at that path, or a device without a driver behind it
    InUse, ///< another program holds it
    NotASerialPort, ///< a regular file, a directory, a FIFO, /dev/null: no terminal at all
    NoModemLines, ///< a terminal without the modem-status lines the chosen receiver needs
    Vanished, ///< it was open and went away (unplugged, hung up, read error)
    Other, ///< anything else: systemError says what
};

struct PortProblem
{
    PortProblem() = default;
    /// Owner and group are only known, and only needed, for a device that exists.
    PortProblem(PortFault fault, int error, std::string deviceOwner = {},
                std::string deviceGroup = {})
        : cause(fault)
        , systemError(error)
        , owner(std::move(deviceOwner))
        , group(std::move(deviceGroup))
    { }

    PortFault cause = PortFault::Other;
    /// errno (or GetLastError() on Windows) where there was one; 0 otherwise.
    int systemError = 0;
    /// The device's owner and group, where it exists (the advice for NoAccess depends on them).
    std::string owner;
    std::string group;
    bool operator==(const PortProblem &) const = default;
};

} // namespace dcf
