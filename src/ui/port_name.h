#pragma once

// What the user types into "ComPort No." and which serial device that names.

#include "platform/serial_port.h"
#include "ui/model/controls.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dcf {

/// How the operating system names serial devices.
enum class DeviceNaming {
    Windows, ///< COM1, COM2, ...
    Posix, ///< /dev/ttyS0, /dev/ttyS1, ... and any device path
#ifdef _WIN32
    Native = Windows,
#else
    Native = Posix,
#endif
};

/// Lowest and highest port number that can be typed.
inline constexpr int kFirstPortNumber = 1;
inline constexpr int kLastPortNumber = 32767;

/// The device named by the port text: a whole number n from 1 to 32767 (blanks around it allowed)
/// is COMn on Windows and /dev/ttyS(n-1) elsewhere; outside Windows a text beginning with "/"
/// (after blanks) is a device path. Anything else names no device.
std::optional<std::string> serialDeviceForPortText(std::string_view text,
                                                   DeviceNaming naming = DeviceNaming::Native);

/// What the user types for `device`: its number on Windows ("COM3" is "3"), its path elsewhere.
/// Nothing for a device that cannot be typed.
std::optional<std::string> portTextForDevice(std::string_view device,
                                             DeviceNaming naming = DeviceNaming::Native);

/// The ports present, in their order, as "ComPort No." suggests them: each with its port text and
/// its description.
std::vector<TextBox::Suggestion> portSuggestions(const std::vector<SerialPortInfo> &ports,
                                                 DeviceNaming naming = DeviceNaming::Native);

} // namespace dcf
