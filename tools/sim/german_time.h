#pragma once

// The legal time of Germany computed from UTC alone: CET (UTC+1), and CEST (UTC+2) from the last
// Sunday of March 01:00 UTC to the last Sunday of October 01:00 UTC. Times are POSIX seconds
// (UTC, no leap seconds counted); the simulator inserts its own leap seconds on top.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dcf::sim {

inline constexpr int64_t kSecondsPerMinute = 60;
inline constexpr int64_t kSecondsPerHour = 3600;

/// Division that rounds down, for instants before a boundary too.
constexpr int64_t floorDiv(int64_t value, int64_t divisor)
{
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

enum class Zone { CET, CEST };

Zone zoneAt(int64_t utcSeconds);
/// The first change of zone after an instant (strictly later).
int64_t nextZoneChangeAfter(int64_t utcSeconds);

/// A second of German legal time as a wall clock shows it.
struct LegalTime
{
    int year = 1970;
    int month = 1; ///< 1 to 12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4; ///< 1 = Monday to 7 = Sunday
    Zone zone = Zone::CET;
};

LegalTime legalTimeAt(int64_t utcSeconds);

/// "2026-12-05 14:37:00 CET", or without the seconds.
std::string formatLegalTime(const LegalTime &time, bool withSeconds = true);

/// Either an instant or the reason why the text names none.
struct InstantOrError
{
    std::optional<int64_t> utcSeconds;
    std::string error;
};

/// Reads "YYYY-MM-DD HH:MM:SS" (or "YYYY-MM-DD HH:MM" when the seconds are not wanted), optionally
/// followed by " CET" or " CEST" to choose between the two 02:xx hours of the October change; the
/// earlier (CEST) one is taken without it. Years 2000 to 2099, as the telegram carries two
/// digits. Times skipped by the March change are refused.
InstantOrError parseLegalTime(std::string_view text, bool withSeconds = true);
/// The instant of a legal time written into a test or a seed; std::invalid_argument with the
/// reason when it names none.
int64_t utcOf(std::string_view text, bool withSeconds = true);

} // namespace dcf::sim
