#include "ui/port_name.h"

#include "ui/messages.h"

#include <charconv>

namespace dcf {

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    constexpr std::string_view kBlanks = " \t";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

std::optional<int> portNumber(std::string_view text)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc {} || number < kFirstPortNumber || number > kLastPortNumber)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<std::string> serialDeviceForPortText(std::string_view text, DeviceNaming naming)
{
    const std::string_view trimmed = trimmedBlanks(text);
    if (const auto number = portNumber(trimmed)) {
        if (naming == DeviceNaming::Windows)
            return "COM" + std::to_string(*number);
        return "/dev/ttyS" + std::to_string(*number - 1);
    }
    if (naming == DeviceNaming::Posix && trimmed.starts_with('/'))
        return std::string(trimmed);
    return std::nullopt;
}

std::optional<std::string> portTextForDevice(std::string_view device, DeviceNaming naming)
{
    if (naming == DeviceNaming::Posix)
        return device.starts_with('/') ? std::optional<std::string>(device) : std::nullopt;
    constexpr std::string_view kPrefix = "COM";
    if (!device.starts_with(kPrefix))
        return std::nullopt;
    const std::string_view digits = device.substr(kPrefix.size());
    if (!portNumber(digits) || digits.starts_with('0'))
        return std::nullopt;
    return std::string(digits);
}

std::vector<TextBox::Suggestion> portSuggestions(const std::vector<SerialPortInfo> &ports,
                                                 DeviceNaming naming)
{
    std::vector<TextBox::Suggestion> suggestions;
    for (const SerialPortInfo &port : ports) {
        if (auto text = portTextForDevice(port.device, naming))
            suggestions.push_back({std::move(*text), portDescription(port)});
    }
    return suggestions;
}

} // namespace dcf
