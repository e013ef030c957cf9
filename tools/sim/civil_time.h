#pragma once

// Proleptic Gregorian calendar arithmetic on day numbers (days since 1970-01-01), so the
// simulator needs neither the machine's time zone database nor its C library's mktime.

#include <cstdint>

namespace dcf::sim {

struct CivilDate
{
    int year = 1970;
    int month = 1; ///< 1 to 12
    int day = 1; ///< 1 to 31
};

/// Days since 1970-01-01 of a date (negative before it).
int64_t daysFromCivil(const CivilDate &date);
/// The date of a day number.
CivilDate civilFromDays(int64_t days);
/// ISO weekday of a day number: 1 = Monday to 7 = Sunday.
int weekdayFromDays(int64_t days);

bool isLeapYear(int year);
int daysInMonth(int year, int month);
/// Day number of the last Sunday of a month.
int64_t lastSundayOf(int year, int month);

/// Floor division, for times before the epoch too.
constexpr int64_t floorDiv(int64_t value, int64_t divisor)
{
    const int64_t quotient = value / divisor;
    return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

constexpr int64_t floorMod(int64_t value, int64_t divisor)
{
    return value - floorDiv(value, divisor) * divisor;
}

} // namespace dcf::sim
