// What the autopilot expects of the program: if this arithmetic were wrong, every end-to-end run
// would check the program against the wrong minute.

#include "expectations.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

namespace dcf::autopilot {
namespace {

int64_t legalInstant(const char *text, bool withSeconds = true)
{
    const sim::InstantOrError parsed = sim::parseLegalTime(text, withSeconds);
    EXPECT_TRUE(parsed.utcSeconds) << parsed.error;
    return parsed.utcSeconds.value_or(0);
}

TEST(SimulatorTimeline, CountsFromTheFullSecondAfterTheLaunch)
{
    const int64_t start = legalInstant("2026-12-05 14:35:55");
    // Launched 300 ms into a real second: its first second begins 700 ms later.
    const SimulatorTimeline timeline {start, 1'000'000'300};
    EXPECT_EQ(timeline.simulatedMsAt(1'000'001'000), start * 1000);
    EXPECT_EQ(timeline.simulatedMsAt(1'000'066'500), (start + 65) * 1000 + 500);
}

struct MinuteCase
{
    int64_t realOffsetMs; ///< after the simulator's first second began
    const char *minute;
};

class NearestMinute : public ::testing::TestWithParam<MinuteCase>
{
};

TEST_P(NearestMinute, IsTheMinuteMarkJustPassedOrComing)
{
    const SimulatorTimeline timeline {legalInstant("2026-12-05 14:35:55"), 5'000'000'000};
    const int64_t anchorMs = 5'000'001'000;
    EXPECT_EQ(timeline.nearestMinuteAt(anchorMs + GetParam().realOffsetMs),
              legalInstant(GetParam().minute, false));
}

// The decode comes just after the second minute mark, 65 s after the first second (:55).
INSTANTIATE_TEST_SUITE_P(AroundTheDecode, NearestMinute,
                         ::testing::Values(MinuteCase {65'000, "2026-12-05 14:37"},
                                           MinuteCase {66'900, "2026-12-05 14:37"},
                                           MinuteCase {64'100, "2026-12-05 14:37"},
                                           MinuteCase {125'400, "2026-12-05 14:38"},
                                           MinuteCase {34'000, "2026-12-05 14:36"},
                                           MinuteCase {35'000, "2026-12-05 14:37"}),
                         [](const ::testing::TestParamInfo<MinuteCase> &param) {
                             return "at" + std::to_string(param.param.realOffsetMs) + "ms";
                         });

TEST(StartJustBeforeMinuteMark, IsSecond55WithinHalfAMinuteOfTheFirstSecond)
{
    const int64_t minute = legalInstant("2026-07-01 12:00:00");
    for (int64_t ms = 0; ms < 120'000; ms += 250) {
        const int64_t nowMs = minute * 1000 + ms;
        const int64_t start = startJustBeforeMinuteMark(nowMs);
        const int64_t firstSecond = nowMs / 1000 + 1;
        ASSERT_EQ(sim::floorMod(start, 60), 55) << "at +" << ms << " ms";
        ASSERT_LE(std::abs(start - firstSecond), 30) << "at +" << ms << " ms";
    }
}

TEST(StartJustBeforeMinuteMark, TakesTheOtherSecondWhenAsked)
{
    const int64_t now = legalInstant("2026-07-01 12:00:41");
    EXPECT_EQ(startJustBeforeMinuteMark(now * 1000, 40), legalInstant("2026-07-01 12:00:40"));
}

TEST(StartOption, ReadsBackAsTheSameInstant)
{
    // The October change has two 02:30 hours; the zone in the text tells them apart.
    for (const char *text :
         {"2026-10-25 02:30:00 CEST", "2026-10-25 02:30:00 CET", "2026-12-05 14:35:55"}) {
        const int64_t instant = legalInstant(text);
        EXPECT_EQ(legalInstant(startOption(instant).c_str()), instant) << text;
    }
}

TEST(ExpectedDecode, IsAnnouncedByTheTelegramOfTheMinuteBefore)
{
    // Saturday, 5 December 2026, 14:37 CET.
    const ExpectedDecode expected = expectedDecodeAt(legalInstant("2026-12-05 14:37", false));
    EXPECT_EQ(expected.legal.hour, 14);
    EXPECT_EQ(expected.legal.minute, 37);
    const std::set<int> set = {18, 21, 22, 23, 25, 26, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55};
    for (int bit = sim::kSummerTimeBit; bit <= sim::kDateParityBit - 1; ++bit) {
        if (bit == sim::kLeapSecondBit || bit == sim::kTimeStartBit || bit == sim::kMinuteParityBit
            || bit == sim::kHourParityBit)
            continue;
        EXPECT_EQ(expected.telegram.bits.at(static_cast<std::size_t>(bit)), set.contains(bit))
            << "bit " << bit;
    }
}

TEST(ExpectedPanel, WinterSaturday)
{
    const ExpectedDecode expected = expectedDecodeAt(legalInstant("2026-12-05 14:37", false));
    const std::map<int, std::string> wanted
        = {{2, "Winterzeit"}, {3, "   Samstag"}, {5, "05"},    {7, "Dezember "}, {8, "2026"},
           {11, "05"},        {13, "12"},        {15, "2026"}, {16, "14"},       {18, "37"}};
    EXPECT_EQ(expectedPanelValues(expected.legal), wanted);
}

TEST(ExpectedPanel, SummerMondayInMarchPadsTheUmlautByCharacters)
{
    const ExpectedDecode expected = expectedDecodeAt(legalInstant("2026-03-30 07:05", false));
    const std::map<int, std::string> panel = expectedPanelValues(expected.legal);
    EXPECT_EQ(panel.at(2), "Sommerzeit");
    EXPECT_EQ(panel.at(3), "    Montag");
    EXPECT_EQ(panel.at(7), "März     ");
    EXPECT_EQ(panel.at(16), "07");
    EXPECT_EQ(panel.at(18), "05");
}

std::map<int, std::string> workedExampleCaptions()
{
    return {{0, "Der heutige Tag:"},
            {1, "Im Moment haben wir die Mitteleuropäische"},
            {2, "Winterzeit"},
            {3, "   Samstag"},
            {4, "den"},
            {5, "05"},
            {6, "."},
            {7, "Dezember "},
            {8, "2026"},
            {10, "="},
            {11, "05"},
            {12, "."},
            {13, "12"},
            {14, "."},
            {15, "2026"},
            {16, "14"},
            {17, ":"},
            {18, "37"},
            {19, ":"},
            {20, "00.00"}};
}

TEST(PanelRows, ReadLikeASentence)
{
    const std::map<int, std::string> captions = workedExampleCaptions();
    const std::vector<std::string> rows = panelRows([&](int index) {
        const auto found = captions.find(index);
        return found == captions.end() ? std::string() : found->second;
    });
    const std::vector<std::string> wanted
        = {"Der heutige Tag:", "Im Moment haben wir die Mitteleuropäische Winterzeit",
           "   Samstag den 05.Dezember  2026 = 05.12.2026", "14:37:00"};
    EXPECT_EQ(rows, wanted);
}

TEST(PanelRows, LeaveOutEmptyLabels)
{
    std::map<int, std::string> captions = workedExampleCaptions();
    captions[2] = ""; // no zone word yet
    const std::vector<std::string> rows = panelRows([&](int index) { return captions[index]; });
    EXPECT_EQ(rows.at(1), "Im Moment haben wir die Mitteleuropäische");
}

TEST(VisibleSeconds, EndsAtTheDecimalSeparator)
{
    EXPECT_EQ(visibleSeconds("07.00"), "07");
    EXPECT_EQ(visibleSeconds("07,00"), "07");
    EXPECT_EQ(visibleSeconds("00"), "00");
    EXPECT_EQ(visibleSeconds(""), "");
}

struct ClockCase
{
    ClockTime before;
    ClockTime after;
};

class NextClockMinute : public ::testing::TestWithParam<ClockCase>
{
};

TEST_P(NextClockMinute, CarriesIntoTheHourAndWrapsAtMidnight)
{
    EXPECT_EQ(nextClockMinute(GetParam().before), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Table, NextClockMinute,
                         ::testing::Values(ClockCase {{14, 37}, {14, 38}},
                                           ClockCase {{9, 59}, {10, 0}},
                                           ClockCase {{23, 59}, {0, 0}}),
                         [](const ::testing::TestParamInfo<ClockCase> &param) {
                             return "from" + std::to_string(param.param.before.hour) + "h"
                                 + std::to_string(param.param.before.minute);
                         });

} // namespace
} // namespace dcf::autopilot
