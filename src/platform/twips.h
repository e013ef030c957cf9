#pragma once

// Twips, the unit of the window designs and positions, and the screen's pixels: the one
// conversion that the view and the placement share.

#include <algorithm>
#include <cmath>

namespace dcf {

/// Twips per pixel at a logical resolution of `dotsPerInch` (15 at 96 dpi).
inline double twipsPerPixel(double dotsPerInch)
{
    return 1440.0 / dotsPerInch;
}

/// A screen coordinate in twips as whole pixels: rounded to the nearest pixel and clamped to the
/// 16-bit range that window systems take; a value that is no number becomes 0.
inline int twipsToPixels(double twips, double perPixel)
{
    if (std::isnan(twips))
        return 0;
    const double pixels = std::round(twips / perPixel);
    return static_cast<int>(std::clamp(pixels, -32768.0, 32767.0));
}

} // namespace dcf
