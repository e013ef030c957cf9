#pragma once

// The number formats of the date and time panels of both windows: the decoder writes day, month,
// year, hour and minute with them, the running clock hour, minute and the seconds.

#include <string>
#include <string_view>

namespace dcf {

/// Decimal digits, at least `digits` of them, filled with "0" on the left; a longer number is
/// shown whole and a negative one keeps its sign in front.
std::string zeroPadded(int value, int digits);

/// The format "00" of day, month, hour and minute.
std::string twoDigits(int value);

/// The format "0000" of the full year.
std::string fourDigits(int value);

/// The format "00.00" of the running seconds, with the user's decimal separator; the clock counts
/// whole seconds, so the decimals are always "00".
std::string secondsText(int seconds, std::string_view decimalSeparator);

} // namespace dcf
