#include "civil_time.h"

namespace dcf::sim {

namespace {

constexpr int64_t kDaysPerEra = 146097; // 400 Gregorian years
constexpr int64_t kEpochShift = 719468; // days from 0000-03-01 to 1970-01-01

} // namespace

// Counting years from March puts the leap day at the end of the year, which keeps the month
// lengths a simple formula.
int64_t daysFromCivil(const CivilDate &date)
{
    const int64_t year = date.month <= 2 ? date.year - 1 : date.year;
    const int64_t era = floorDiv(year, 400);
    const int64_t yearOfEra = year - era * 400;
    const int64_t monthFromMarch = (date.month + 9) % 12;
    const int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + date.day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * kDaysPerEra + dayOfEra - kEpochShift;
}

CivilDate civilFromDays(int64_t days)
{
    const int64_t shifted = days + kEpochShift;
    const int64_t era = floorDiv(shifted, kDaysPerEra);
    const int64_t dayOfEra = shifted - era * kDaysPerEra;
    const int64_t yearOfEra
        = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
    CivilDate date;
    date.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    date.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    date.year = static_cast<int>(yearOfEra + era * 400 + (date.month <= 2 ? 1 : 0));
    return date;
}

int weekdayFromDays(int64_t days)
{
    // 1970-01-01 was a Thursday.
    return static_cast<int>(floorMod(days + 3, 7)) + 1;
}

bool isLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kLengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && isLeapYear(year))
        return 29;
    return kLengths[month - 1];
}

int64_t lastSundayOf(int year, int month)
{
    const int64_t last = daysFromCivil({year, month, daysInMonth(year, month)});
    return last - (weekdayFromDays(last) % 7);
}

} // namespace dcf::sim
