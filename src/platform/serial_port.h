#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dcf {

/// Characters as read from the line, with the moment they arrived.
struct SerialInput
{
    /// The received characters (read length), or the empty text when nothing is waiting.
    std::string characters;
    /// When the first of them arrived, on the time base's microsecond clock
    /// (TimeBase::microseconds()): edges are timed by this, however late they are read.
    int64_t arrivalMicroseconds = 0;
};

/// Why a port did not open.
enum class PortOpenFailure {
    NoAccess, ///< the user may not use the device
    NoSuchDevice, ///< there is no such device
    InUse, ///< another program holds it
    Other, ///< anything else; errorText() has the system's words
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
    /// Line settings in the form "38400,N,8,1".
    virtual void setSettings(const std::string &settings) = 0;
    /// Characters returned by one read().
    virtual void setReadLength(int characters) = 0;

    /// Opens the port; on failure returns false, and openFailure() and errorText() say why.
    virtual bool open() = 0;
    virtual void close() = 0;

    /// Checks that `device` can be opened now (closing this port first) and leaves it closed. On
    /// failure returns false, and openFailure() and errorText() say why.
    virtual bool probe(const std::string &device)
    {
        if (isOpen())
            close();
        setPort(device);
        if (!open())
            return false;
        close();
        return true;
    }

    /// The next received characters (read length) and their arrival time.
    virtual SerialInput read() = 0;

    /// True once an open port has failed (device unplugged, gone or unreadable); errorText() says
    /// why.
    virtual bool hasFailed() const = 0;
    virtual std::string errorText() const = 0;

    /// Why the last failed open() or probe() failed.
    virtual PortOpenFailure openFailure() const = 0;

    /// The serial ports present now, in the order to show them.
    virtual std::vector<SerialPortInfo> availablePorts() const = 0;
};

} // namespace dcf
