#pragma once

// Placement of the main window: the two scroll bars shift it from the centred position, the two
// number fields show and set its left and top edge, and a pointer movement copies its actual
// position into the fields.

#include <cstdint>
#include <string>
#include <string_view>

namespace dcf {

class Program;

/// floor(screen / 2 - window / 2 + bar): halves in single precision, the sum in double.
double centredPosition(float screen, float window, int16_t barValue);
/// Plain decimal text of a single-precision number, no decimal part for whole numbers.
std::string numberToText(float value);
/// Lenient decimal reading: blanks skipped anywhere, sign, digits, one ".", exponent; 0 if no
/// digit.
double textToNumber(std::string_view text);
/// Largest window coordinate in twips: the 16-bit pixel range at 96 dots per inch. The desktop
/// clamps again to its own pixel grid.
inline constexpr double kCoordinateLimit = 32767.0 * 15;

/// A number as a window coordinate: clamped to +-kCoordinateLimit, NaN as 0, so that it always
/// converts to a finite float.
float clampToCoordinate(double value);

/// Reactions of the placement controls; each runs to completion without waiting.
void HScroll1_Change(Program &program);
void VScroll1_Change(Program &program);
void txtLeft_Change(Program &program);
void txtTop_Change(Program &program);
void Form_MouseMove(Program &program);

} // namespace dcf
