#pragma once

// Scripts a DCF77 receiver on the virtual serial line: "1" when a second's mark begins, "0" when
// it ends, 100 ms (bit 0) or 200 ms (bit 1) later, jitter-free; second 59 (or 60 in a minute
// with a leap second) carries no mark.

#include "virtual_platform.h"

#include <cstdint>
#include <vector>

namespace dcf::testing {

inline constexpr int64_t kShortMarkMs = 100;
inline constexpr int64_t kLongMarkMs = 200;
inline constexpr int64_t kSecondMs = 1000;
/// When Start is pressed at 0, the port opens after the reset's second.
inline constexpr int64_t kOpened = 1000;

/// The bits of one minute, index = second: 59 entries, or 60 with a leap second.
using MinuteBits = std::vector<int>;
/// A second whose mark the receiver loses.
inline constexpr int kLostMark = -1;

/// The set bits of a sample telegram: Saturday, 5 December 2026, 14:37, winter time.
inline const std::vector<int> kSaturdayInDecember
    = {18, 21, 22, 23, 25, 26, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55};

/// A minute in which the bits `set` are 1 and all others 0.
inline MinuteBits minuteWith(const std::vector<int> &set)
{
    MinuteBits bits(59, 0);
    for (const int bit : set)
        bits[static_cast<std::size_t>(bit)] = 1;
    return bits;
}

class ReceiverScript
{
public:
    explicit ReceiverScript(VirtualPlatform &platform)
        : m_platform(platform)
    { }

    /// One mark: "1" at `start`, "0" `lengthMs` later.
    void mark(int64_t start, int64_t lengthMs)
    {
        m_platform.serialAt(start, "1");
        m_platform.serialAt(start + lengthMs, "0");
    }

    /// The marks of seconds `fromSecond` to the last of `bits`, second 0 beginning at
    /// `minuteStart`. Returns the start of the next minute.
    int64_t minute(int64_t minuteStart, const MinuteBits &bits, int fromSecond = 0)
    {
        const auto marks = static_cast<int64_t>(bits.size());
        for (int64_t second = fromSecond; second < marks; ++second) {
            const int bit = bits[static_cast<std::size_t>(second)];
            if (bit != kLostMark)
                mark(minuteStart + second * kSecondMs, bit ? kLongMarkMs : kShortMarkMs);
        }
        return minuteStart + (marks + 1) * kSecondMs;
    }

    /// Seconds 57 and 58 of a minute, the first of them half a second after the port opened at
    /// `opened`, so that the next mark finds the first minute gap. Returns the next minute's start.
    int64_t leadIn(int64_t opened = kOpened)
    {
        return minute(opened + 500 - 57 * kSecondMs, MinuteBits(59, 0), 57);
    }

private:
    VirtualPlatform &m_platform;
};

/// When the reception handed over to the decoder: its completion mark came on.
inline std::vector<int64_t> handOvers(const FakeDesktop &desktop)
{
    return desktop.times("optPuls02", Property::Value, "1");
}

} // namespace dcf::testing
