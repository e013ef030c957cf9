#include "ui/panel_formats.h"

#include <cstdlib>

namespace dcf {

std::string zeroPadded(int value, int digits)
{
    std::string text = std::to_string(std::abs(static_cast<long long>(value)));
    if (static_cast<int>(text.size()) < digits)
        text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
    return value < 0 ? "-" + text : text;
}

std::string twoDigits(int value)
{
    return zeroPadded(value, 2);
}

std::string fourDigits(int value)
{
    return zeroPadded(value, 4);
}

std::string secondsText(int seconds, std::string_view decimalSeparator)
{
    return twoDigits(seconds) + std::string(decimalSeparator) + "00";
}

} // namespace dcf
