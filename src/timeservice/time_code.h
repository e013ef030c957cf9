#pragma once

// The time service's reading of one minute's time code: the bits of a whole minute in, the checks
// it passes and the instant it announces out. Stricter than the windows' decoder: a minute that
// sets the computer's clock must prove itself (parities, the start bit, one zone, every field a
// real date and time).
//   edges -> minute assembler -> time code -> trust and samples -> chrony

#include <array>
#include <cstdint>
#include <string>

namespace dcf::timeservice {

inline constexpr int kBitsPerMinute = 60;
using MinuteBits = std::array<bool, kBitsPerMinute>;

// Where the fields lie in the minute.
inline constexpr int kSummerTimeBit = 17;
inline constexpr int kWinterTimeBit = 18;
inline constexpr int kLeapSecondBit = 19;
inline constexpr int kTimeStartBit = 20;
inline constexpr int kMinuteFirstBit = 21;
inline constexpr int kMinuteParityBit = 28;

/// The checks in the order they are made; a minute is reported with the first that fails.
enum class MinuteCheck {
    Passed,
    Incomplete, ///< the minute began before listening did, or the receiver fell silent
    MissingMark,
    ExtraMark, ///< a mark where the minute has none
    Noise, ///< an edge off the second, or edges out of order
    BadMark, ///< a mark too short or too long for a 0 or a 1
    StartBit, ///< bit 20 is not set
    ZoneBits, ///< not exactly one of bits 17 and 18
    MinuteParity,
    HourParity,
    DateParity,
    OutOfRange, ///< a digit or a field out of range
    NoSuchDate, ///< a day the month lacks, or a weekday that is not the date's
    OutOfSequence, ///< a good minute that is not the one before plus one minute
};

/// What a minute's bits announce: the legal time at the minute mark that ends it.
struct TimeCode
{
    int year = 2000;
    int month = 1;
    int day = 1;
    int weekday = 1; ///< 1 = Monday
    int hour = 0;
    int minute = 0;
    bool summerTime = false;
    bool leapSecondAnnounced = false;
    /// The announced instant as POSIX seconds (UTC).
    int64_t utcSeconds = 0;
    bool operator==(const TimeCode &) const = default;
};

struct TimeCodeReading
{
    MinuteCheck check = MinuteCheck::Incomplete;
    /// Meaningful only when the check passed.
    TimeCode time;
};

/// Checks the bits of a minute whose marks all arrived (MinuteCheck::StartBit onwards).
TimeCodeReading readTimeCode(const MinuteBits &bits);

/// Whether the minute's own bits make it the one that takes a leap second: the announcement is on
/// and the minute ends at a full hour. Usable as soon as bit 28 has arrived.
bool isLeapSecondMinute(const MinuteBits &bits);

/// "2026-12-07 18:31 CET".
std::string formatTimeCode(const TimeCode &time);

} // namespace dcf::timeservice
