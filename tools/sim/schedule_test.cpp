// The simulator's signal: the faults, noise and silence laid over its marks. Whole minutes, a
// start within one and a leap second are played by the time service's tests.

#include "schedule.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace dcf::sim {
namespace {

struct Mark
{
    int64_t beginMs;
    int64_t lengthMs;
    bool operator==(const Mark &) const = default;
};

/// The marks of a stream of emissions, ignoring every character but "1" and "0".
std::vector<Mark> marksOf(const std::vector<Emission> &emissions)
{
    std::vector<Mark> marks;
    std::optional<int64_t> begin;
    for (const Emission &emission : emissions) {
        for (const char c : emission.characters) {
            if (c == '1') {
                begin = emission.atMs;
            } else if (c == '0' && begin) {
                marks.push_back({*begin, emission.atMs - *begin});
                begin.reset();
            }
        }
    }
    return marks;
}

SignalOptions startingAt(const char *legalTime)
{
    SignalOptions options;
    options.startUtc = utcOf(legalTime);
    return options;
}

/// Everything sent in the first `minutes` minutes, in time order.
std::vector<Emission> firstMinutes(const SignalOptions &options, int minutes = 2)
{
    SignalSchedule schedule(options);
    std::vector<Emission> all;
    for (int k = 0; k < minutes; ++k) {
        const std::optional<PlannedMinute> minute = schedule.nextMinute();
        if (!minute)
            break;
        for (const Emission &emission : minute->emissions) {
            EXPECT_TRUE(all.empty() || all.back().atMs <= emission.atMs) << emission.atMs;
            all.push_back(emission);
        }
    }
    return all;
}

TEST(Schedule, FaultsChangeTheMarkOfTheirSecondOnly)
{
    // The fault, its second, the mark's length then (0: no mark in that second).
    const std::tuple<MarkFault, int64_t, int64_t> table[] = {
        {MarkFault::Short, 5, kShortFaultMarkMs},
        {MarkFault::Long, 75, kLongFaultMarkMs},
        {MarkFault::Missing, 0, 0},
        {MarkFault::Missing, 29, 0}, // the gap of second 59: nothing to lose
    };
    // From 14:36:30, second 29 after the start is the gap of second 59.
    SignalOptions options = startingAt("2026-12-05 14:36:30");
    const std::vector<Mark> clean = marksOf(firstMinutes(options));
    for (const auto &[kind, second, length] : table) {
        std::vector<Mark> expected;
        for (const Mark &mark : clean) {
            if (mark.beginMs / 1000 != second)
                expected.push_back(mark);
            else if (length)
                expected.push_back({mark.beginMs, length});
        }
        options.faults = {{second, kind}};
        EXPECT_EQ(marksOf(firstMinutes(options)), expected) << second;
    }
}

TEST(Schedule, NoiseLeavesTheMarksAloneAndSilenceEndsEverything)
{
    SignalOptions options = startingAt("2026-12-05 14:36:00");
    const std::vector<Mark> clean = marksOf(firstMinutes(options));
    options.noisePerSecond = 7;
    const std::vector<Emission> noisy = firstMinutes(options);
    EXPECT_EQ(std::ranges::count_if(noisy,
                                    [](const Emission &emission) {
                                        return emission.characters.find_first_not_of("01")
                                            != std::string::npos;
                                    }),
              7 * 120);
    EXPECT_EQ(marksOf(noisy), clean);

    options.silenceAfterMs = 75'000;
    const std::vector<Emission> silenced = firstMinutes(options, 5);
    ASSERT_FALSE(silenced.empty());
    EXPECT_LT(silenced.back().atMs, 75'000);
    EXPECT_GE(silenced.back().atMs, 74'000);
}

} // namespace
} // namespace dcf::sim
