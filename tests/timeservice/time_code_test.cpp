// The time code's checks against hand-checked bit sets, independent of the simulator's encoder;
// the time it announces is checked by the time service's tests, minute after minute.

#include "timeservice/status_line.h"
#include "timeservice/time_code.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <vector>

namespace dcf::timeservice {
namespace {

// 2026-12-07 18:31 CET, a Monday: minute 31, hour 18, day 07, weekday 1, month 12, year 26, the
// parity bits 28 and 58 set, CET in bit 18.
constexpr std::initializer_list<int> kMondayEvening
    = {18, 20, 21, 25, 26, 28, 32, 33, 36, 37, 38, 42, 46, 49, 51, 52, 55, 58};

struct Case
{
    const char *name;
    std::vector<int> toggled;
    MinuteCheck check;
};

void PrintTo(const Case &test, std::ostream *out)
{
    *out << test.name;
}

class TimeCodeCheck : public ::testing::TestWithParam<Case>
{
};

TEST_P(TimeCodeCheck, FirstFailingCheck)
{
    MinuteBits bits {};
    for (const int bit : kMondayEvening)
        bits[static_cast<std::size_t>(bit)] = true;
    for (const int bit : GetParam().toggled)
        bits[static_cast<std::size_t>(bit)] = !bits[static_cast<std::size_t>(bit)];
    const TimeCodeReading reading = readTimeCode(bits);
    EXPECT_EQ(reading.check, GetParam().check) << checkText(reading.check);
}

INSTANTIATE_TEST_SUITE_P(
    Bits, TimeCodeCheck,
    ::testing::Values(Case {"Intact", {}, MinuteCheck::Passed},
                      Case {"NoStartBit", {20}, MinuteCheck::StartBit},
                      Case {"BothZones", {17}, MinuteCheck::ZoneBits},
                      Case {"NoZone", {18}, MinuteCheck::ZoneBits},
                      Case {"MinuteBit", {21}, MinuteCheck::MinuteParity},
                      Case {"HourBit", {29}, MinuteCheck::HourParity},
                      Case {"DayBit", {36}, MinuteCheck::DateParity},
                      Case {"YearBit", {57}, MinuteCheck::DateParity},
                      Case {"MinuteUnitsEleven", {22, 24}, MinuteCheck::OutOfRange},
                      Case {"Minute61", {25, 27}, MinuteCheck::OutOfRange},
                      Case {"Hour28", {33, 34}, MinuteCheck::OutOfRange},
                      Case {"Day0", {36, 37, 38, 58}, MinuteCheck::OutOfRange},
                      Case {"Month13", {45, 58}, MinuteCheck::OutOfRange},
                      Case {"Weekday0", {42, 58}, MinuteCheck::OutOfRange},
                      // Read as a date, it would overflow into the 2nd of March, a Monday.
                      Case {"February30", {36, 37, 38, 40, 41, 49}, MinuteCheck::NoSuchDate},
                      Case {"Tuesday", {42, 43}, MinuteCheck::NoSuchDate}));

} // namespace
} // namespace dcf::timeservice
