#pragma once

// The public DCF77 time code. The telegram sent during a minute announces the legal time at the
// minute mark that ends it; second k of the minute carries bit k as a 100 ms (0) or 200 ms (1)
// mark, and second 59 carries none so that the receiver can find the minute mark.

#include "german_time.h"

#include <array>
#include <cstdint>
#include <optional>

namespace dcf::sim {

inline constexpr int kNormalMinuteSeconds = 60;
inline constexpr int kLeapMinuteSeconds = 61;

// Bit positions of the time code.
inline constexpr int kCallBit = 15;
inline constexpr int kZoneChangeBit = 16;
inline constexpr int kSummerTimeBit = 17;
inline constexpr int kWinterTimeBit = 18;
inline constexpr int kLeapSecondBit = 19;
inline constexpr int kTimeStartBit = 20;
inline constexpr int kMinuteFirstBit = 21;
inline constexpr int kMinuteParityBit = 28;
inline constexpr int kHourFirstBit = 29;
inline constexpr int kHourParityBit = 35;
inline constexpr int kDayFirstBit = 36;
inline constexpr int kWeekdayFirstBit = 42;
inline constexpr int kMonthFirstBit = 45;
inline constexpr int kYearFirstBit = 50;
inline constexpr int kDateParityBit = 58;

struct TelegramFlags
{
    bool callBit = false;
    bool zoneChangeAnnounced = false;
    bool leapSecondAnnounced = false;
    /// The minute has 61 seconds: a 0 mark in second 59, no mark in second 60.
    bool leapSecondMinute = false;
};

struct Telegram
{
    /// Bit k is sent in second k; bit 59 only in a leap-second minute.
    std::array<bool, 60> bits {};
    int seconds = kNormalMinuteSeconds;

    bool hasMark(int second) const
    {
        return second >= 0 && (second < 59 || (second == 59 && seconds == kLeapMinuteSeconds));
    }
};

Telegram encodeTelegram(const LegalTime &announced, const TelegramFlags &flags);

/// The telegram sent during the minute that begins at `minuteStartUtc` (a whole minute), with
/// the announcement bits set during the hour before a change of zone or a leap second.
/// `leapMinuteUtc` is the start of the minute that gets the extra second, if any.
Telegram telegramSentDuring(int64_t minuteStartUtc, std::optional<int64_t> leapMinuteUtc,
                            bool callBit);

} // namespace dcf::sim
