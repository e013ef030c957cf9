#pragma once

// The German names and number formats of the date and time panels. The decoder fills both
// windows' panels with them once per reception; the running clock uses the number formats for
// every second it shows.

#include <string>
#include <string_view>

namespace dcf {

/// The weekday's name right-aligned in 10 characters ("    Montag" for 1 .. "   Sonntag" for 7);
/// empty for any other value, which the name field turns into blanks.
std::string_view weekdayName(int weekday);

/// The month's name ("Januar" for 1 .. "Dezember" for 12); empty for any other value.
std::string_view monthName(int month);

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
