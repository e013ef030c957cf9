// The time service in virtual time on the simulator's signal: when samples flow, that each one
// names the true second of its mark with the exact offset, and where faults stop them; and the
// time code's checks against hand-checked bit sets.

#include "german_time.h"
#include "printers.h"
#include "receiver_signal.h"
#include "timeservice/status_line.h"
#include "timeservice/time_code.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace dcf::timeservice::testing {
namespace {

using dcf::testing::PrintTo;

using sim::utcOf;

/// A second of the afternoon where the faults are played: "38:30" is 12:38:30 CET.
int64_t at(const char *minuteAndSecond)
{
    return utcOf(std::string("2026-12-07 12:") + minuteAndSecond);
}

/// The true seconds of the marks from `from` on, up to `to` (not included).
std::set<int64_t> marksBetween(const Playback &playback, int64_t from, int64_t to = INT64_MAX)
{
    std::set<int64_t> seconds;
    for (const Mark &mark : playback.marks) {
        if (mark.trueUtc && *mark.trueUtc >= from && *mark.trueUtc < to)
            seconds.insert(*mark.trueUtc);
    }
    return seconds;
}

TEST(TimeService, CleanSignalGivesOneExactSamplePerMarkOnceTwoMinutesAgree)
{
    Playback playback(utcOf("2026-12-07 12:34:25"), 6);
    playback.play();

    EXPECT_EQ(playback.checkedSamples(), marksBetween(playback, at("37:00")));
    EXPECT_LE(playback.samples.at(0).monotonicMicroseconds - Playback::kOrigin, 180'000'000)
        << "the first sample within three minutes";
    const char *const lines[] = {
        "no time: incomplete minute; 34 marks, 0 samples sent",
        ("2026-12-07 12:36 CET: checks passed, waiting for the next minute to agree; 59 marks, "
         "0 samples sent"),
        "2026-12-07 12:37 CET: checks passed; 59 marks, 0 samples sent",
        "2026-12-07 12:38 CET: checks passed; 59 marks, 59 samples sent",
        "2026-12-07 12:39 CET: checks passed; 59 marks, 59 samples sent",
    };
    ASSERT_EQ(playback.reports.size(), std::size(lines));
    for (std::size_t k = 0; k < std::size(lines); ++k)
        EXPECT_EQ(statusLine(playback.reports[k]), lines[k]);
}

/// A fault from 12:38 on: the first minute that fails and why, the last sample before the
/// samples stop and the first when they start again.
struct FaultCase
{
    const char *name;
    std::function<void(Playback &)> fault;
    MinuteCheck check;
    const char *lastSample;
    const char *resumed;
};

/// Gives a mark the length of the other bit value.
void flip(Playback &playback, const char *second)
{
    Mark &mark = playback.markAt(at(second));
    mark.endMs = mark.beginMs + (mark.endMs - mark.beginMs == 100 ? 200 : 100);
}

using TimeServiceFault = ::testing::TestWithParam<FaultCase>;

TEST_P(TimeServiceFault, StopsAtOnceAndWaitsForTwoMinutesToAgree)
{
    const FaultCase &test = GetParam();
    Playback playback(at("34:00"), 10);
    test.fault(playback);
    playback.play();

    std::set<int64_t> expected = marksBetween(playback, at("37:00"), at(test.lastSample) + 1);
    expected.merge(marksBetween(playback, at(test.resumed)));
    EXPECT_EQ(playback.checkedSamples(), expected);
    // The first minute, begun within a minute, is incomplete.
    const auto failed = std::ranges::find_if(
        playback.reports.begin() + 1, playback.reports.end(),
        [](const MinuteReport &report) { return report.check != MinuteCheck::Passed; });
    ASSERT_NE(failed, playback.reports.end());
    EXPECT_EQ(failed->check, test.check) << statusLine(*failed);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TimeServiceFault,
    ::testing::Values(
        FaultCase {"MissingMark", [](Playback &p) { p.silence(at("38:30"), at("38:31")); },
                   MinuteCheck::MissingMark, "38:29", "41:00"},
        FaultCase {"MissingLastMark", [](Playback &p) { p.silence(at("38:58"), at("38:59")); },
                   MinuteCheck::MissingMark, "38:57", "41:00"},
        FaultCase {"SpuriousMark",
                   [](Playback &p) {
                       const int64_t begin = p.markAt(at("38:30")).beginMs + 500;
                       p.marks.push_back({begin, begin + 60, std::nullopt});
                   },
                   MinuteCheck::Noise, "38:30", "41:00"},
        FaultCase {"BrokenMark",
                   [](Playback &p) {
                       Mark &mark = p.markAt(at("38:30"));
                       const Mark rest {mark.beginMs + 40, mark.endMs, std::nullopt};
                       mark.endMs = mark.beginMs + 30;
                       p.marks.push_back(rest);
                   },
                   MinuteCheck::BadMark, "38:29", "41:00"},
        // Its bit unknown, the mark could turn a 1 into a 0 that the parity misses.
        FaultCase {"LostEndOfMark", [](Playback &p) { p.markAt(at("38:30")).endLost = true; },
                   MinuteCheck::Noise, "38:29", "41:00"},
        FaultCase {"LongMark",
                   [](Playback &p) {
                       Mark &mark = p.markAt(at("38:30"));
                       mark.endMs = mark.beginMs + 300;
                   },
                   MinuteCheck::BadMark, "38:29", "41:00"},
        // Found only once the minute is over: its own marks were counted from the minute before.
        FaultCase {"ParityError", [](Playback &p) { flip(p, "38:21"); }, MinuteCheck::MinuteParity,
                   "38:58", "41:00"},
        // 12:39 announces 12:41: the minutes on either side of it disagree with it.
        FaultCase {"Jump",
                   [](Playback &p) {
                       flip(p, "39:21");
                       flip(p, "39:28");
                   },
                   MinuteCheck::OutOfSequence, "39:58", "42:00"},
        FaultCase {"Silent", [](Playback &p) { p.silence(at("38:30"), at("40:10")); },
                   MinuteCheck::Incomplete, "38:29", "43:00"}));

/// The minutes across a change of zone, a new year or a leap second follow each other.
struct TransitionCase
{
    const char *name;
    const char *start;
    const char *leapMinute;
};

using TimeServiceAcross = ::testing::TestWithParam<TransitionCase>;

TEST_P(TimeServiceAcross, SamplesGoOnThroughTheChange)
{
    const TransitionCase &test = GetParam();
    const int64_t start = utcOf(test.start);
    std::optional<int64_t> leapMinute;
    if (test.leapMinute)
        leapMinute = utcOf(test.leapMinute);
    Playback playback(start, 8, leapMinute);
    playback.play();

    EXPECT_EQ(playback.checkedSamples(), marksBetween(playback, start + 180));
    for (const Sample &sample : playback.samples) {
        EXPECT_EQ(sample.leapSecondAhead, leapMinute && sample.trueUtcSeconds < *leapMinute + 60)
            << sample.trueUtcSeconds - start;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, TimeServiceAcross,
    ::testing::Values(TransitionCase {"SummerTime", "2026-03-29 01:55:00", nullptr},
                      TransitionCase {"WinterTime", "2026-10-25 02:55:00 CEST", nullptr},
                      TransitionCase {"NewYear", "2026-12-31 23:55:00", nullptr},
                      TransitionCase {"LeapSecond", "2027-01-01 00:55:00", "2027-01-01 00:59:00"}));

// ---- The time code's checks, against hand-checked bit sets independent of the encoder ----

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

using TimeCodeCheck = ::testing::TestWithParam<Case>;

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
} // namespace dcf::timeservice::testing
