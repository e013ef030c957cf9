#pragma once

// A pseudo-terminal in place of a receiver's serial line: the program opens its device like a
// serial port, and whoever holds the controller end plays the receiver. The simulator, the
// serial port's tests and the benchmark's plain reader all set it up here. Qt-free.

#include <string>
#include <string_view>

namespace dcf::sim {

/// Opens a terminal device as a receiver's port is read: raw, non-blocking, with whatever waited
/// there discarded. Returns the descriptor, or -1 with errno set.
int openDeviceRaw(const std::string &path);

class PseudoTerminal
{
public:
    enum class DeviceEnd {
        /// Closed on our side, as a real line: the terminal hangs up exactly when no program
        /// has the device open, and what is sent meanwhile is lost.
        Released,
        /// Kept open until hangUp(): what is sent waits for the next program that opens it.
        Held,
    };

    /// Opens the pair in raw mode at 38400 baud. Throws std::system_error.
    explicit PseudoTerminal(DeviceEnd deviceEnd = DeviceEnd::Released);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    /// The device the program opens, e.g. "/dev/pts/3".
    const std::string &devicePath() const { return m_devicePath; }
    /// The receiver's end, non-blocking.
    int controllerFd() const { return m_controller; }

    /// Whether some program has the device open. Notices when the last one closed it and then
    /// discards what it left unread.
    bool readerPresent();
    /// Writes what the line takes now and drops the rest; never blocks. Returns the bytes sent.
    std::size_t send(std::string_view data);
    /// Call when a wait on controllerFd() reported a hang-up.
    void readerLeft();
    /// Closes both ends for good, as when the receiver is unplugged.
    void hangUp();

private:
    int m_controller = -1;
    int m_device = -1;
    std::string m_devicePath;
    bool m_readerWasPresent = false;
};

/// A symbolic link to the device for the lifetime of the object. It replaces only a symbolic
/// link, and is removed at the end only while it still points to the device.
class DeviceLink
{
public:
    /// Throws std::runtime_error when something other than a symbolic link is at `linkPath`,
    /// std::system_error when the link cannot be made.
    DeviceLink(std::string linkPath, const std::string &target);
    ~DeviceLink();
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

private:
    std::string m_linkPath;
    std::string m_target;
};

} // namespace dcf::sim
