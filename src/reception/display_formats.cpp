#include "reception/display_formats.h"

#include "state/fixed_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace dcf {

std::string rightAligned(std::string_view text)
{
    const std::size_t length = characterCount(text);
    std::string result;
    if (length < kDisplayFieldWidth)
        result.assign(kDisplayFieldWidth - length, ' ');
    result.append(text);
    return result;
}

std::string countFormat(double count)
{
    // std::to_chars never follows the C locale, which the Qt application sets from the user's.
    std::array<char, 32> digits {};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), std::round(count),
                                   std::chars_format::fixed, 0);
    return rightAligned(std::string_view(digits.data(), end.ptr - digits.data()));
}

std::string secondsFormat(double seconds, std::string_view decimalSeparator)
{
    std::array<char, 48> digits {};
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), seconds,
                                   std::chars_format::fixed, 3);
    std::string text(digits.data(), end.ptr);
    if (const auto point = text.find('.'); point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    return rightAligned(text);
}

std::string characterText(std::string_view received)
{
    std::string text;
    for (const char c : received) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text.push_back(c);
        } else {
            text.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            text.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return text;
}

} // namespace dcf
