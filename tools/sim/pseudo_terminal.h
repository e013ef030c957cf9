#pragma once

// The simulated receiver's end of the line: a pseudo-terminal whose device (the slave) the
// program opens like a serial port. Like a real line, characters sent while no program has the
// device open are lost, and so is what a program left unread when it closed the device; only a
// program that reopens the device at once, before the hang-up is noticed, may still find those
// (clearing the input after opening, as with any port, takes care of that).

#include <string>
#include <string_view>

namespace dcf::sim {

class PseudoTerminal
{
public:
    /// Opens the pair in raw mode at 38400 baud. Throws std::system_error.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    /// The device the program opens, e.g. "/dev/pts/3".
    const std::string &devicePath() const { return m_devicePath; }
    /// Our end, non-blocking.
    int controllerFd() const { return m_controller; }

    /// Whether some program has the device open. Notices when the last one closed it and then
    /// discards what it left unread.
    bool readerPresent();
    /// Writes what the line takes now and drops the rest; never blocks. Returns the bytes sent.
    std::size_t send(std::string_view data);
    /// Call when a wait on controllerFd() reported a hang-up.
    void readerLeft();

private:
    int m_controller = -1;
    std::string m_devicePath;
    bool m_readerWasPresent = false;
};

/// A symbolic link to the device for the lifetime of the object, replacing what was there.
class DeviceLink
{
public:
    /// Throws std::system_error when the link cannot be made.
    DeviceLink(std::string linkPath, const std::string &target);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

private:
    std::string m_linkPath;
    std::string m_target;
};

} // namespace dcf::sim
