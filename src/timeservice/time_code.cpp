#include "timeservice/time_code.h"

#include <chrono>
#include <cstdio>

namespace dcf::timeservice {

namespace {

namespace chrono = std::chrono;

constexpr int kHourFirstBit = 29;
constexpr int kHourParityBit = 35;
constexpr int kDayFirstBit = 36;
constexpr int kWeekdayFirstBit = 42;
constexpr int kMonthFirstBit = 45;
constexpr int kYearFirstBit = 50;
constexpr int kDateParityBit = 58;
constexpr int kCentury = 2000;
constexpr int64_t kSecondsPerHour = 3600;

bool evenParity(const MinuteBits &bits, int first, int parityBit)
{
    bool odd = false;
    for (int bit = first; bit <= parityBit; ++bit)
        odd ^= bits[static_cast<std::size_t>(bit)];
    return !odd;
}

/// A BCD field whose units have `unitBits` bits and whose tens the rest; -1 when a digit is not
/// a decimal digit.
int bcdField(const MinuteBits &bits, int first, int width, int unitBits = 4)
{
    int units = 0;
    int tens = 0;
    for (int k = 0; k < width; ++k) {
        if (!bits[static_cast<std::size_t>(first + k)])
            continue;
        if (k < unitBits)
            units |= 1 << k;
        else
            tens |= 1 << (k - unitBits);
    }
    return units > 9 || tens > 9 ? -1 : tens * 10 + units;
}

bool within(int value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

TimeCodeReading readTimeCode(const MinuteBits &bits)
{
    TimeCodeReading reading;
    auto fail = [&reading](MinuteCheck check) {
        reading.check = check;
        return reading;
    };
    if (!bits[kTimeStartBit])
        return fail(MinuteCheck::StartBit);
    if (bits[kSummerTimeBit] == bits[kWinterTimeBit])
        return fail(MinuteCheck::ZoneBits);
    if (!evenParity(bits, kMinuteFirstBit, kMinuteParityBit))
        return fail(MinuteCheck::MinuteParity);
    if (!evenParity(bits, kHourFirstBit, kHourParityBit))
        return fail(MinuteCheck::HourParity);
    if (!evenParity(bits, kDayFirstBit, kDateParityBit))
        return fail(MinuteCheck::DateParity);

    TimeCode &time = reading.time;
    time.minute = bcdField(bits, kMinuteFirstBit, 7);
    time.hour = bcdField(bits, kHourFirstBit, 6);
    time.day = bcdField(bits, kDayFirstBit, 6);
    time.weekday = bcdField(bits, kWeekdayFirstBit, 3);
    time.month = bcdField(bits, kMonthFirstBit, 5);
    const int year = bcdField(bits, kYearFirstBit, 8);
    if (!within(time.minute, 0, 59) || !within(time.hour, 0, 23) || !within(time.day, 1, 31)
        || !within(time.weekday, 1, 7) || !within(time.month, 1, 12) || year < 0)
        return fail(MinuteCheck::OutOfRange);
    time.year = kCentury + year;

    const chrono::year_month_day date {chrono::year(time.year),
                                       chrono::month(static_cast<unsigned>(time.month)),
                                       chrono::day(static_cast<unsigned>(time.day))};
    if (!date.ok())
        return fail(MinuteCheck::NoSuchDate);
    const chrono::sys_days day(date);
    if (chrono::weekday(day).iso_encoding() != static_cast<unsigned>(time.weekday))
        return fail(MinuteCheck::NoSuchDate);

    time.summerTime = bits[kSummerTimeBit];
    time.leapSecondAnnounced = bits[kLeapSecondBit];
    const int64_t zoneHours = time.summerTime ? 2 : 1;
    time.utcSeconds = chrono::duration_cast<chrono::seconds>(day.time_since_epoch()).count()
        + (time.hour - zoneHours) * kSecondsPerHour + time.minute * 60;
    reading.check = MinuteCheck::Passed;
    return reading;
}

bool isLeapSecondMinute(const MinuteBits &bits)
{
    if (!bits[kLeapSecondBit])
        return false;
    for (int bit = kMinuteFirstBit; bit <= kMinuteParityBit; ++bit) {
        if (bits[static_cast<std::size_t>(bit)])
            return false;
    }
    return true;
}

std::string formatTimeCode(const TimeCode &time)
{
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d %s", time.year, time.month, time.day,
                  time.hour, time.minute, time.summerTime ? "CEST" : "CET");
    return text;
}

} // namespace dcf::timeservice
