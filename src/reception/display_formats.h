#pragma once

// How the reception writes its numbers and characters into the main window's display boxes, and
// the colours it paints them with.

#include "ui/model/color.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dcf {

namespace receptionColors {
inline constexpr Color kCounterAlarm = colors::kRed; ///< error counters that have counted
inline constexpr Color kCounterQuiet = colors::kBlack; ///< error counters after the reset
inline constexpr Color kCharacterBack = colors::kBlack;
inline constexpr Color kCharacterText = colors::kWhite;
inline constexpr Color kPulseActiveText = colors::kRed; ///< optPuls01 during a pulse
inline constexpr Color kPulseIdleText = colors::kBlack;
inline constexpr Color kIndicatorBack = colors::kLightCyan; ///< optPuls01/02 at rest
inline constexpr Color kFinishedBack = Color::rgb(0, 192, 0); ///< optPuls02 once a minute is in
inline constexpr Color kBitZero = Color::rgb(0, 255, 0);
inline constexpr Color kBitOne = colors::kBlack;
inline constexpr Color kBitUnknown = colors::kButtonFace;
} // namespace receptionColors

/// Width of the right-aligned display fields, in characters.
inline constexpr std::size_t kDisplayFieldWidth = 8;

/// Right-aligns `text` in a field of kDisplayFieldWidth characters; a longer text stays whole.
std::string rightAligned(std::string_view text);

/// A count: the whole number (no grouping), right-aligned in 8 characters.
std::string countFormat(double count);

/// Seconds with exactly three decimals, rounded, with the user's decimal separator, right-aligned
/// in 8 characters.
std::string secondsFormat(double seconds, std::string_view decimalSeparator);

/// A received byte as display text: ASCII as it is, bytes from 128 up as their Latin-1 character
/// (the receiver's line carries no UTF-8, and the view expects valid text).
std::string characterText(std::string_view received);

} // namespace dcf
