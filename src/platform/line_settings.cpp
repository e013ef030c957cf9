#include "platform/line_settings.h"

#include <array>
#include <charconv>
#include <string_view>

namespace dcf {

namespace {

constexpr std::size_t kParts = 4;

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<int> wholeNumber(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc {} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<LineSettings::Parity> parity(std::string_view text)
{
    if (text.size() != 1)
        return std::nullopt;
    switch (text.front()) {
    case 'N':
    case 'n':
        return LineSettings::Parity::None;
    case 'E':
    case 'e':
        return LineSettings::Parity::Even;
    case 'O':
    case 'o':
        return LineSettings::Parity::Odd;
    case 'M':
    case 'm':
        return LineSettings::Parity::Mark;
    case 'S':
    case 's':
        return LineSettings::Parity::Space;
    default:
        return std::nullopt;
    }
}

std::optional<LineSettings::StopBits> stopBits(std::string_view text)
{
    if (text == "1")
        return LineSettings::StopBits::One;
    if (text == "1.5")
        return LineSettings::StopBits::OneAndHalf;
    if (text == "2")
        return LineSettings::StopBits::Two;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(std::string_view text)
{
    std::array<std::string_view, kParts> parts;
    std::size_t count = 0;
    for (;;) {
        const auto comma = text.find(',');
        if (count == kParts)
            return std::nullopt;
        parts[count++] = trimmed(text.substr(0, comma));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (count != kParts)
        return std::nullopt;

    const auto baud = wholeNumber(parts[0]);
    const auto parityKind = parity(parts[1]);
    const auto data = wholeNumber(parts[2]);
    const auto stop = stopBits(parts[3]);
    if (!baud || *baud <= 0 || !parityKind || !data || *data < 5 || *data > 8 || !stop)
        return std::nullopt;
    return LineSettings {*baud, *parityKind, *data, *stop};
}

} // namespace dcf
