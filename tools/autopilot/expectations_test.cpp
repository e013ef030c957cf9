// What the autopilot expects of the program: if this arithmetic were wrong, every end-to-end run
// would check the program against the wrong minute.

#include "expectations.h"

#include <gtest/gtest.h>

namespace dcf::autopilot {
namespace {

using sim::utcOf;

TEST(SimulatorTimeline, NearestMinuteIsTheMarkJustPassedOrComing)
{
    // Launched 300 ms into a real second, the simulator sends 14:35:55 from 700 ms later on.
    const SimulatorTimeline timeline {utcOf("2026-12-05 14:35:55"), 5'000'000'300};
    const int64_t firstSecond = 5'000'001'000;
    EXPECT_EQ(timeline.simulatedMsAt(firstSecond + 1500), (timeline.startUtc + 1) * 1000 + 500);
    // The decode comes just after the second minute mark, 65 s after the first second (:55).
    const std::pair<int64_t, const char *> table[] = {
        {65'000, "2026-12-05 14:37"}, {64'100, "2026-12-05 14:37"}, {125'400, "2026-12-05 14:38"},
        {34'000, "2026-12-05 14:36"}, {35'000, "2026-12-05 14:37"},
    };
    for (const auto &[offsetMs, minute] : table) {
        EXPECT_EQ(timeline.nearestMinuteAt(firstSecond + offsetMs), utcOf(minute, false))
            << offsetMs;
    }
}

TEST(SimulatorStart, IsTheAskedSecondWithinHalfAMinuteOfTheFirstSecondAndReadsBack)
{
    const int64_t minute = utcOf("2026-07-01 12:00:00");
    for (int64_t ms = 0; ms < 120'000; ms += 250) {
        const int64_t nowMs = minute * 1000 + ms;
        const int64_t start = startJustBeforeMinuteMark(nowMs);
        ASSERT_EQ(sim::legalTimeAt(start).second, 55) << "at +" << ms << " ms";
        ASSERT_LE(std::abs(start - (nowMs / 1000 + 1)), 30) << "at +" << ms << " ms";
    }
    EXPECT_EQ(startJustBeforeMinuteMark(utcOf("2026-07-01 12:00:41") * 1000, 40),
              utcOf("2026-07-01 12:00:40"));

    // The October change has two 02:30 hours; the zone in the text tells them apart.
    for (const char *text : {"2026-10-25 02:30:00 CEST", "2026-10-25 02:30:00 CET"})
        EXPECT_EQ(utcOf(startOption(utcOf(text)).c_str()), utcOf(text));
}

TEST(ExpectedDecode, IsAnnouncedByTheMinuteBeforeAndFillsThePanelByCharacters)
{
    const ExpectedDecode winter = expectedDecodeAt(utcOf("2026-12-05 14:37", false));
    EXPECT_EQ(sim::formatLegalTime(winter.legal), "2026-12-05 14:37:00 CET");
    // Minute 37 in bits 21 to 27.
    EXPECT_EQ(
        std::vector<bool>(winter.telegram.bits.begin() + 21, winter.telegram.bits.begin() + 28),
        (std::vector<bool> {1, 1, 1, 0, 1, 1, 0}));
    const std::map<int, std::string> wanted
        = {{2, "Winterzeit"}, {3, "   Samstag"}, {5, "05"},    {7, "Dezember "}, {8, "2026"},
           {11, "05"},        {13, "12"},        {15, "2026"}, {16, "14"},       {18, "37"}};
    EXPECT_EQ(expectedPanelValues(winter.legal), wanted);

    const std::map<int, std::string> summer
        = expectedPanelValues(expectedDecodeAt(utcOf("2026-03-30 07:05", false)).legal);
    EXPECT_EQ(summer.at(2), "Sommerzeit");
    EXPECT_EQ(summer.at(7), "März     "); // nine characters, not bytes
}

TEST(PanelRows, ReadLikeASentenceWithoutEmptyLabelsOrHiddenDecimals)
{
    // clang-format off
    std::vector<std::string> captions = {
        "Der heutige Tag:", "Im Moment haben wir die Mitteleuropäische", "Winterzeit",
        "   Samstag", "den", "05", ".", "Dezember ", "2026", "", "=", "05", ".", "12", ".", "2026",
        "14", ":", "37", ":", "07,00"};
    // clang-format on
    const auto caption = [&](int index) {
        return captions.at(static_cast<std::size_t>(index));
    };
    EXPECT_EQ(panelRows(caption),
              (std::vector<std::string> {
                  "Der heutige Tag:", "Im Moment haben wir die Mitteleuropäische Winterzeit",
                  "   Samstag den 05.Dezember  2026 = 05.12.2026", "14:37:07"}));
    captions[2] = ""; // no zone word yet
    EXPECT_EQ(panelRows(caption).at(1), "Im Moment haben wir die Mitteleuropäische");
}

} // namespace
} // namespace dcf::autopilot
