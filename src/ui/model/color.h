#pragma once

// Colours of the window model: the designs and the routines write them, the view turns them into
// the desktop's colours.

#include <cstdint>

namespace dcf {

/// A colour as the window designer stores it: 0xBBGGRR, blue in the high byte. Values with the top
/// bit set name a colour of the user's desktop theme instead (button face, window background, ...).
class Color
{
public:
    constexpr Color() = default;
    constexpr explicit Color(uint32_t bgr)
        : m_value(bgr)
    { }

    static constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b)
    {
        return Color(uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16);
    }

    constexpr uint32_t value() const { return m_value; }
    constexpr bool isSystem() const { return (m_value & kSystemBit) != 0; }
    constexpr uint8_t red() const { return m_value & 0xFF; }
    constexpr uint8_t green() const { return (m_value >> 8) & 0xFF; }
    constexpr uint8_t blue() const { return (m_value >> 16) & 0xFF; }

    constexpr bool operator==(const Color &) const = default;

    static constexpr uint32_t kSystemBit = 0x80000000u;

private:
    uint32_t m_value = 0;
};

namespace colors {
inline constexpr Color kBlack {0x000000};
inline constexpr Color kWhite {0xFFFFFF};
inline constexpr Color kRed = Color::rgb(255, 0, 0);
inline constexpr Color kLightPeach {0xC0E0FF}; // RGB(255, 224, 192)
inline constexpr Color kLightCyan {0xFFFFC0}; // RGB(192, 255, 255)
inline constexpr Color kDarkRedBrown = Color::rgb(128, 64, 64); // the clock window
// Theme colours, numbered as the desktop's colour indexes.
inline constexpr Color kWindowBackground {Color::kSystemBit | 5};
inline constexpr Color kWindowText {Color::kSystemBit | 8};
inline constexpr Color kButtonFace {Color::kSystemBit | 15};
inline constexpr Color kButtonText {Color::kSystemBit | 18};
} // namespace colors

} // namespace dcf
