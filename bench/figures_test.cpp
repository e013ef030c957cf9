#include "figures.h"
#include "report.h"

#include <gtest/gtest.h>
#include <sstream>

namespace dcf::bench {
namespace {

struct PercentileCase
{
    std::vector<double> samples;
    double percent;
    double expected;
};

class NearestRank : public ::testing::TestWithParam<PercentileCase>
{
};

TEST_P(NearestRank, PicksTheSmallestSampleThatEnoughSamplesDoNotExceed)
{
    const PercentileCase &c = GetParam();
    EXPECT_EQ(percentile(c.samples, c.percent), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NearestRank,
    ::testing::Values(PercentileCase {{7}, 50, 7}, PercentileCase {{7}, 99, 7},
                      PercentileCase {{3, 1, 2}, 50, 2}, // unsorted input
                      PercentileCase {{4, 1, 3, 2}, 50, 2}, // even count: the lower middle
                      PercentileCase {{1, 2, 3, 4}, 100, 4},
                      // 99 of 100 samples are 0: the 99th percentile still is 0
                      PercentileCase {[] {
                                          std::vector<double> v(99, 0.0);
                                          v.push_back(1);
                                          return v;
                                      }(),
                                      99, 0},
                      // one 1 in 60 samples already reaches the 99th percentile
                      PercentileCase {[] {
                                          std::vector<double> v(59, 0.0);
                                          v.push_back(1);
                                          return v;
                                      }(),
                                      99, 1}));

TEST(Summary, OfNothingIsNothing)
{
    EXPECT_FALSE(summarize({}).has_value());
    EXPECT_FALSE(percentile({}, 50).has_value());
}

TEST(Summary, HasCountMedianPercentileAndMaximum)
{
    const std::optional<Summary> s = summarize({5, 1, 9, 3, 7});
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count, 5u);
    EXPECT_EQ(s->median, 5);
    EXPECT_EQ(s->p99, 9);
    EXPECT_EQ(s->maximum, 9);
}

TEST(Share, CountsTheSamplesThatReachTheThreshold)
{
    EXPECT_EQ(shareReaching({0, 1, 0, 2, 0.999, 0, 0, 0}, 1.0), "2 of 8 (25 %)");
    EXPECT_EQ(shareReaching({}, 1.0), "0 of 0");
}

struct MarkCase
{
    double measuredSeconds;
    double nominalMs;
    double errorMs;
};

class MarkError : public ::testing::TestWithParam<MarkCase>
{
};

TEST_P(MarkError, IsTheDistanceToTheNearerNominalLength)
{
    const MarkCase &c = GetParam();
    EXPECT_EQ(nominalMarkMs(c.measuredSeconds), c.nominalMs);
    EXPECT_NEAR(markErrorMs(c.measuredSeconds), c.errorMs, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Table, MarkError,
                         ::testing::Values(MarkCase {0.100, 100, 0}, MarkCase {0.101, 100, 1},
                                           MarkCase {0.099, 100, 1}, MarkCase {0.149, 100, 49},
                                           MarkCase {0.150, 200, 50}, MarkCase {0.200, 200, 0},
                                           MarkCase {0.1985, 200, 1.5}, MarkCase {0.202, 200, 2}));

struct ShiftCase
{
    int64_t startNs;
    int64_t lengthNs;
    bool offWhenTruncated;
};

class TruncatedStamps : public ::testing::TestWithParam<ShiftCase>
{
};

TEST_P(TruncatedStamps, AreOffWhenTheEdgesStraddleAMillisecond)
{
    const ShiftCase &c = GetParam();
    const std::vector<TimedMark> marks {{c.startNs, c.lengthNs, 100}};
    const std::vector<double> expected {c.offWhenTruncated ? 1.0 : 0.0};
    EXPECT_EQ(truncatedStampErrorsMs(marks, 0), expected);
    // A shift of whole milliseconds changes nothing.
    EXPECT_EQ(truncatedStampErrorsMs(marks, 7'000'000), expected);
    EXPECT_EQ(roundedLengthErrorsMs(marks), std::vector<double> {0.0});
}

INSTANTIATE_TEST_SUITE_P(
    Table, TruncatedStamps,
    ::testing::Values(ShiftCase {5'200'000, 100'050'000, false}, // 5.2 .. 105.25 ms
                      ShiftCase {5'970'000, 100'050'000, true}, // 5.97 .. 106.02 ms: 101
                      ShiftCase {5'020'000, 99'950'000, true}, // 5.02 .. 104.97 ms: 99
                      ShiftCase {5'500'000, 99'950'000, false}));

TEST(RoundedLengths, AreOffOnlyBeyondHalfAMillisecond)
{
    EXPECT_EQ(roundedLengthErrorsMs({{0, 100'499'000, 100},
                                     {0, 100'501'000, 100},
                                     {0, 199'400'000, 200},
                                     {0, 202'000'000, 200}}),
              (std::vector<double> {0, 1, 1, 2}));
}

TEST(Lateness, IsMeasuredFromTheMinuteStartPlusTheSecond)
{
    // The minute began at 1000.25 s: second 17 is due at 1017250 ms.
    EXPECT_NEAR(lateness(1'017'250.75, 1'000.25, 17), 0.75, 1e-9);
    EXPECT_NEAR(lateness(1'017'249.0, 1'000.25, 17), -1.0, 1e-9);
}

TEST(ProcessorShare, IsPerCentOfTheWallTime)
{
    EXPECT_DOUBLE_EQ(percentOfCore(0.6, 60), 1.0);
    EXPECT_DOUBLE_EQ(percentOfCore(0, 60), 0.0);
    EXPECT_DOUBLE_EQ(percentOfCore(1, 0), 0.0);
}

struct TargetCase
{
    Target target;
    double value;
    bool met;
};

class TargetVerdict : public ::testing::TestWithParam<TargetCase>
{
};

TEST_P(TargetVerdict, HoldsBelowTheLimitAndAtItOnlyWhenInclusive)
{
    const TargetCase &c = GetParam();
    EXPECT_EQ(c.target.isMetBy(c.value), c.met);
}

INSTANTIATE_TEST_SUITE_P(Table, TargetVerdict,
                         ::testing::Values(TargetCase {{1, false}, 0.99, true},
                                           TargetCase {{1, false}, 1.0, false},
                                           TargetCase {{2, true}, 2.0, true},
                                           TargetCase {{2, true}, 2.001, false}));

TEST(Report, AMissingOrMissedFigureIsAMiss)
{
    Report report;
    report.add("met", 0.5, 2, "ms", {1, false});
    EXPECT_TRUE(report.allTargetsMet());
    report.add("absent", std::nullopt, 2, "ms", {1, false});
    EXPECT_FALSE(report.allTargetsMet());

    std::ostringstream out;
    report.print(out);
    EXPECT_NE(out.str().find("0.50 ms  < 1 ms  PASS"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("none  < 1 ms  MISS"), std::string::npos) << out.str();
}

} // namespace
} // namespace dcf::bench
