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

TEST(SimulatorTimeline, NearestMinuteIsTheMarkJustPassedOrComing)
{
    const SimulatorTimeline timeline {legalInstant("2026-12-05 14:35:55"), 5'000'000'000};
    const int64_t firstSecond = 5'000'001'000;
    // The decode comes just after the second minute mark, 65 s after the first second (:55).
    const std::pair<int64_t, const char *> table[] = {
        {65'000, "2026-12-05 14:37"}, {64'100, "2026-12-05 14:37"}, {125'400, "2026-12-05 14:38"},
        {34'000, "2026-12-05 14:36"}, {35'000, "2026-12-05 14:37"},
    };
    for (const auto &[offsetMs, minute] : table) {
        EXPECT_EQ(timeline.nearestMinuteAt(firstSecond + offsetMs), legalInstant(minute, false))
            << offsetMs;
    }
}

TEST(StartJustBeforeMinuteMark, IsTheAskedSecondWithinHalfAMinuteOfTheFirstSecond)
{
    const int64_t minute = legalInstant("2026-07-01 12:00:00");
    for (int64_t ms = 0; ms < 120'000; ms += 250) {
        const int64_t nowMs = minute * 1000 + ms;
        const int64_t start = startJustBeforeMinuteMark(nowMs);
        ASSERT_EQ(sim::floorMod(start, 60), 55) << "at +" << ms << " ms";
        ASSERT_LE(std::abs(start - (nowMs / 1000 + 1)), 30) << "at +" << ms << " ms";
    }
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
    // Saturday, 5 December 2026, 14:37 CET: the worked example's bits 17 to 57.
    const ExpectedDecode expected = expectedDecodeAt(legalInstant("2026-12-05 14:37", false));
    EXPECT_EQ(expected.legal.hour, 14);
    EXPECT_EQ(expected.legal.minute, 37);
    const std::set<int> set
        = {18, 20, 21, 22, 23, 25, 26, 28, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55};
    for (int bit = sim::kSummerTimeBit; bit < sim::kDateParityBit; ++bit)
        EXPECT_EQ(expected.telegram.bits.at(static_cast<std::size_t>(bit)), set.contains(bit))
            << bit;
}

TEST(ExpectedPanel, NamesAndNumbersPaddedByCharacters)
{
    const ExpectedDecode winter = expectedDecodeAt(legalInstant("2026-12-05 14:37", false));
    const std::map<int, std::string> wanted
        = {{2, "Winterzeit"}, {3, "   Samstag"}, {5, "05"},    {7, "Dezember "}, {8, "2026"},
           {11, "05"},        {13, "12"},        {15, "2026"}, {16, "14"},       {18, "37"}};
    EXPECT_EQ(expectedPanelValues(winter.legal), wanted);

    const ExpectedDecode summer = expectedDecodeAt(legalInstant("2026-03-30 07:05", false));
    const std::map<int, std::string> panel = expectedPanelValues(summer.legal);
    EXPECT_EQ(panel.at(2), "Sommerzeit");
    EXPECT_EQ(panel.at(3), "    Montag");
    EXPECT_EQ(panel.at(7), "März     ");
    EXPECT_EQ(panel.at(16), "07");
}

TEST(PanelRows, ReadLikeASentenceWithoutEmptyLabels)
{
    std::vector<std::string> captions = {"Der heutige Tag:",
                                         "Im Moment haben wir die Mitteleuropäische",
                                         "Winterzeit",
                                         "   Samstag",
                                         "den",
                                         "05",
                                         ".",
                                         "Dezember ",
                                         "2026",
                                         "",
                                         "=",
                                         "05",
                                         ".",
                                         "12",
                                         ".",
                                         "2026",
                                         "14",
                                         ":",
                                         "37",
                                         ":",
                                         "00.00"};
    const auto caption = [&](int index) {
        return captions.at(static_cast<std::size_t>(index));
    };
    EXPECT_EQ(panelRows(caption),
              (std::vector<std::string> {
                  "Der heutige Tag:", "Im Moment haben wir die Mitteleuropäische Winterzeit",
                  "   Samstag den 05.Dezember  2026 = 05.12.2026", "14:37:00"}));
    captions[2] = ""; // no zone word yet
    EXPECT_EQ(panelRows(caption).at(1), "Im Moment haben wir die Mitteleuropäische");
}

TEST(VisibleSeconds, EndsAtTheDecimalSeparator)
{
    EXPECT_EQ(visibleSeconds("07.00"), "07");
    EXPECT_EQ(visibleSeconds("07,00"), "07");
    EXPECT_EQ(visibleSeconds("00"), "00");
    EXPECT_EQ(visibleSeconds(""), "");
}

TEST(NextClockMinute, CarriesIntoTheHourAndWrapsAtMidnight)
{
    EXPECT_EQ(nextClockMinute({14, 37}), (ClockTime {14, 38}));
    EXPECT_EQ(nextClockMinute({9, 59}), (ClockTime {10, 0}));
    EXPECT_EQ(nextClockMinute({23, 59}), (ClockTime {0, 0}));
}

} // namespace
} // namespace dcf::autopilot
