// The arithmetic of the benchmark's figures and verdicts.

#include "figures.h"
#include "report.h"
#include "sent_edges.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace dcf::bench {
namespace {

std::vector<double> zerosAndOne(std::size_t zeros)
{
    std::vector<double> samples(zeros, 0.0);
    samples.push_back(1);
    return samples;
}

TEST(Percentile, PicksTheSmallestSampleThatEnoughSamplesDoNotExceed)
{
    const struct
    {
        std::vector<double> samples;
        double percent;
        double expected;
    } table[] = {
        {{7}, 50, 7},
        {{7}, 99, 7},
        {{3, 1, 2}, 50, 2}, // unsorted input
        {{4, 1, 3, 2}, 50, 2}, // even count: the lower middle
        {{1, 2, 3, 4}, 100, 4},
        {zerosAndOne(99), 99, 0}, // 99 of 100 samples are 0: the 99th percentile still is 0
        {zerosAndOne(59), 99, 1}, // one 1 in 60 samples already reaches it
    };
    for (const auto &c : table)
        EXPECT_EQ(percentile(c.samples, c.percent), c.expected) << c.samples.size();
    EXPECT_FALSE(percentile({}, 50));
}

TEST(Summary, HasCountMedianPercentileAndMaximumOrIsNothing)
{
    const std::optional<Summary> s = summarize({5, 1, 9, 3, 7});
    ASSERT_TRUE(s);
    EXPECT_EQ(std::vector<double>({static_cast<double>(s->count), s->median, s->p99, s->maximum}),
              std::vector<double>({5, 5, 9, 9}));
    EXPECT_FALSE(summarize({}));
    EXPECT_EQ(shareReaching({0, 1, 0, 2, 0.999, 0, 0, 0}, 1.0), "2 of 8 (25 %)");
    EXPECT_EQ(percentReaching({0, 1, 0, 2, 0.999, 0, 0, 0}, 1.0), 25);
    EXPECT_EQ(shareReaching({}, 1.0), "0 of 0");
    EXPECT_FALSE(percentReaching({}, 1.0)); // no marks are no share, not a share of none
}

TEST(MarkError, IsTheDistanceToTheNearerNominalLength)
{
    const std::tuple<double, double, double> table[] = {
        {0.100, 100, 0},  {0.101, 100, 1}, {0.099, 100, 1},    {0.149, 100, 49},
        {0.150, 200, 50}, {0.200, 200, 0}, {0.1985, 200, 1.5}, {0.202, 200, 2},
    };
    for (const auto &[measuredSeconds, nominalMs, errorMs] : table) {
        EXPECT_EQ(nominalMarkMs(measuredSeconds), nominalMs) << measuredSeconds;
        EXPECT_NEAR(markErrorMs(measuredSeconds), errorMs, 1e-9) << measuredSeconds;
    }
}

TEST(Report, TargetsHoldBelowTheLimitOrAtItWhenInclusiveAndNothingIsAMiss)
{
    EXPECT_TRUE((Target {1, false}).isMetBy(0.99));
    EXPECT_FALSE((Target {1, false}).isMetBy(1.0));
    EXPECT_TRUE((Target {2, true}).isMetBy(2.0));
    EXPECT_FALSE((Target {2, true}).isMetBy(2.001));

    Report report;
    report.add("met", 0.5, 2, "ms", {1, false});
    EXPECT_TRUE(report.allTargetsMet());
    report.add("absent", std::nullopt, 2, "ms", {1, false});
    EXPECT_FALSE(report.allTargetsMet());
    std::ostringstream out;
    report.print(out);
    EXPECT_NE(out.str().find("0.50 ms  < 1 ms  PASS"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("none  < 1 ms  MISS"), std::string::npos) << out.str();

    // A figure shown as a text is judged by its value, under its heading.
    Report shares;
    shares.heading("Under a load");
    shares.add("off", "2 of 60 (3 %)", 2.0, "mark", {1, true});
    std::ostringstream sharesOut;
    shares.print(sharesOut);
    EXPECT_NE(sharesOut.str().find("\nUnder a load\noff "), std::string::npos) << sharesOut.str();
    EXPECT_NE(sharesOut.str().find("2 of 60 (3 %)  <= 1 mark  MISS"), std::string::npos)
        << sharesOut.str();
}

TEST(SentEdges, AMarkIsMatchedWithTheLastEdgesWrittenBeforeItsArrivalStamps)
{
    const std::string path = testing::TempDir() + "sent_edges_test.log";
    // A second mark whose "0" the sender wrote 2.5 ms late, and a line that is no edge.
    std::ofstream(path) << "1000000000 1\n1100000000 0\nnoise\n2000000000 1\n2102500000 0\n";
    const SentEdges sent = SentEdges::read(path);
    std::remove(path.c_str());

    const std::optional<SentEdges::Mark> late = sent.markArrivedAt(2'000'300, 2'102'650);
    ASSERT_TRUE(late);
    EXPECT_DOUBLE_EQ(late->sentMs, 102.5);
    EXPECT_DOUBLE_EQ(late->beginDeliveryMs, 0.3);
    EXPECT_DOUBLE_EQ(late->endDeliveryMs, 0.15);
    // The edge written at the very microsecond of the arrival counts as sent before it.
    EXPECT_DOUBLE_EQ(sent.markArrivedAt(1'000'000, 1'100'000)->sentMs, 100);

    EXPECT_FALSE(sent.markArrivedAt(999'999, 1'100'100)) << "arrived before anything was sent";
    EXPECT_FALSE(SentEdges::read(path + ".absent").markArrivedAt(2'000'300, 2'102'650));
}

} // namespace
} // namespace dcf::bench
