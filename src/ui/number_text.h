#pragma once

// The two conversions between the position fields' texts and numbers.

#include <string>
#include <string_view>

namespace dcf {

/// Plain decimal text of a single-precision number, no decimal part for whole numbers.
std::string numberToText(float value);

/// Lenient decimal reading: blanks skipped anywhere, sign, digits, one ".", exponent; 0 if no
/// digit.
double textToNumber(std::string_view text);

} // namespace dcf
