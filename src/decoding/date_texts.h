#pragma once

// The German weekday and month names of the date panels.

#include <string_view>

namespace dcf {

/// The weekday's name right-aligned in 10 characters ("    Montag" for 1 .. "   Sonntag" for 7);
/// empty for any other value, which the name field turns into blanks.
std::string_view weekdayName(int weekday);

/// The month's name ("Januar" for 1 .. "Dezember" for 12); empty for any other value.
std::string_view monthName(int month);

} // namespace dcf
