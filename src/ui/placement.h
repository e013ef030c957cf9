#pragma once

// Placement of the main window: the two scroll bars shift it from the centred position, the two
// number fields show and set its left and top edge, and a pointer movement copies its actual
// position into the fields.

#include "platform/desktop.h"
#include "ui/main_window.h"

#include <cstdint>

namespace dcf {

/// What the placement reactions work on.
struct PlacementContext
{
    MainWindow &frmDCF77;
    const Desktop &desktop;
};

/// floor(screen / 2 - window / 2 + bar): halves in single precision, the sum in double.
double centredPosition(float screen, float window, int16_t barValue);

/// Largest window coordinate in twips: the 16-bit pixel range at 96 dots per inch. The desktop
/// clamps again to its own pixel grid.
inline constexpr double kCoordinateLimit = 32767.0 * 15;

/// A number as a window coordinate: clamped to +-kCoordinateLimit, NaN as 0, so that it always
/// converts to a finite float.
float clampToCoordinate(double value);

/// Reactions of the placement controls; each runs to completion without waiting.
void HScroll1_Change(const PlacementContext &context);
void VScroll1_Change(const PlacementContext &context);
void txtLeft_Change(const PlacementContext &context);
void txtTop_Change(const PlacementContext &context);
void Form_MouseMove(const PlacementContext &context);

} // namespace dcf
