// The arithmetic of the benchmark's figures and verdicts.

#include "report.h"

#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace dcf::bench {
namespace {

constexpr int64_t kMs = 1'000'000; // ns

std::vector<double> zerosAndOne(std::size_t zeros)
{
    std::vector<double> samples(zeros, 0.0);
    samples.push_back(1);
    return samples;
}

TEST(Summary, ThePercentileIsTheSmallestSampleThatEnoughDoNotExceed)
{
    // The samples, the percentile, its value.
    const std::tuple<std::vector<double>, double, double> table[] = {
        {{7}, 99, 7},
        {{3, 1, 2}, 50, 2}, // unsorted input
        {{4, 1, 3, 2}, 50, 2}, // even count: the lower middle
        {{1, 2, 3, 4}, 100, 4},
        {zerosAndOne(99), 99, 0}, // 99 of 100 samples are 0: the 99th percentile still is 0
        {zerosAndOne(59), 99, 1}, // one 1 in 60 samples already reaches it
    };
    for (const auto &[samples, percent, value] : table)
        EXPECT_EQ(percentile(samples, percent), value) << samples.size() << " samples";
    EXPECT_FALSE(percentile({}, 50));

    const std::optional<Summary> s = summarize({5, 1, 9, 3, 7});
    ASSERT_TRUE(s);
    EXPECT_EQ(std::vector<double>({static_cast<double>(s->count), s->median, s->p99, s->maximum}),
              std::vector<double>({5, 5, 9, 9}));
    EXPECT_EQ(countReaching({0, 1, 0, 2, 0.999}, 1.0), 2U);
    const std::optional<MeanAndDeviation> spread = meanAndDeviation({2, 4, 4, 4, 5, 5, 7, 9});
    ASSERT_TRUE(spread);
    EXPECT_DOUBLE_EQ(spread->mean, 5);
    EXPECT_DOUBLE_EQ(spread->deviation, 2); // of the population, not of a sample (2.14)
    EXPECT_FALSE(summarize({}));
    EXPECT_FALSE(meanAndDeviation({}));
}

TEST(Report, TargetsHoldAtTheirLimitAsTheyReadAndNoValueIsAMiss)
{
    const Target below {1, Target::Below}, atMost {2, Target::AtMost}, within {0.3, Target::Within};
    EXPECT_EQ((std::vector {below.isMetBy(0.99), below.isMetBy(1.0), atMost.isMetBy(2.0),
                            atMost.isMetBy(2.001), within.isMetBy(-0.3), within.isMetBy(-0.31)}),
              (std::vector {true, false, true, false, true, false}));

    Report report;
    report.heading("Under a load");
    report.add("met", "0.50 ms", 0.5, Target {1, Target::Below, "ms"});
    EXPECT_TRUE(report.allTargetsMet());
    report.add("absent", "none", std::nullopt, Target {0.3, Target::Within, "ms"});
    EXPECT_FALSE(report.allTargetsMet());
    std::ostringstream out;
    report.print(out);
    EXPECT_NE(out.str().find("\nUnder a load\nmet "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("0.50 ms  < 1 ms         PASS"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("none  within 0.3 ms  MISS"), std::string::npos) << out.str();
}

TEST(SentEdges, AMarkIsMatchedWithTheLastEdgesWrittenBeforeItsArrivalStamps)
{
    const std::string path = testing::TempDir() + "sent_edges_test.log";
    // A "0" whose "1" came before the reader, a mark whose "0" the sender wrote 2.5 ms late, a
    // line that is no edge, and a "1" whose "0" never came.
    std::ofstream(path) << "900000000 0\n1000000000 1\n1100000000 0\nnoise\n2000000000 1\n"
                           "2102500000 0\n3000000000 1\n";
    const SentEdges sent = SentEdges::read(path);
    std::remove(path.c_str());

    const std::optional<SentEdges::Mark> late = sent.markArrivedAt(2'000'300, 2'102'650);
    ASSERT_TRUE(late);
    EXPECT_EQ(late->beginNs, 2000 * kMs);
    EXPECT_DOUBLE_EQ(late->sentMs(), 102.5);
    // A 50-baud mark's start, reckoned back from its character, may come a little early.
    EXPECT_EQ(sent.markArrivedAt(999'500, 1'100'000)->beginNs, 1000 * kMs);
    EXPECT_FALSE(sent.markArrivedAt(900'000, 1'100'100)) << "arrived before anything was sent";
    EXPECT_FALSE(SentEdges::read(path + ".absent").markArrivedAt(2'000'300, 2'102'650));

    const std::vector<SentEdges::Mark> whole = sent.marks();
    ASSERT_EQ(whole.size(), 2U);
    EXPECT_EQ(whole[0].beginNs, 1000 * kMs);
    EXPECT_EQ(whole[1].endNs, 2102500 * 1000);
}

/// Marks sent once a second from second 1: 100 ms, 200 ms, 100 ms, ..., each "0" written
/// `lateNs` late.
PartRecord sentSeconds(int count, int64_t lateNs = 0)
{
    PartRecord part;
    for (int second = 1; second <= count; ++second) {
        part.sent.add(second * 1000 * kMs, '1');
        part.sent.add((second * 1000 + (second % 2 == 1 ? 100 : 200)) * kMs + lateNs, '0');
    }
    return part;
}

/// The program's mark of second `second`, arriving 0.2 ms after its writes.
MeasuredPulse measured(int second, double lengthMs)
{
    const int64_t beginUs = second * 1'000'000 + 200;
    return {lengthMs, beginUs, beginUs + static_cast<int64_t>(lengthMs * 1000), 0};
}

TEST(MarkMatch, CountsMarksLostBeforeTheKindWasKnownAndAfterAndThoseClassifiedOtherThanSent)
{
    PartRecord part = sentSeconds(8);
    part.knownUs = 2'500'000; // seconds 1 and 2 were lost while the kind was recognised
    part.decodedUs = 6'500'000; // seconds 7 and 8 fell into the running clock
    part.pulses = {
        {100, 500'000, 600'000, 0}, // before anything was sent
        measured(3, 101),
        measured(4, 100), // its end arrived before the "0" was sent
        {100, 6'000'200, 6'200'200, 0}, // classified 0 from the stamps of a 1
        measured(8, 200), // a later reception's
    };
    const MarkMatch match = matchMarks(part);
    EXPECT_EQ(match.sentUpToLast, 6);
    EXPECT_EQ(match.lost, 4); // 1, 2, 4 and 5
    EXPECT_EQ(match.lostBeforeKnown, 2);
    EXPECT_EQ(match.misclassified, 3);
    EXPECT_EQ(match.errorsMs, std::vector<double>({1, 100, 0}));
    EXPECT_DOUBLE_EQ(match.deliveriesMs[0], 0.2);
}

TEST(MarkMatch, ALineIsJudgedByItsErrorAtThe99thPercentileFiftyBaudByItsLargestBitsOff)
{
    const auto verdict = [](ReceiverKind kind, double errorMs, int64_t sentLateNs = 0) {
        PartRecord part = sentSeconds(4, sentLateNs);
        part.kind = kind;
        for (int second = 1; second <= 4; ++second)
            part.pulses.push_back(measured(second, (second % 2 == 1 ? 100 : 200) + errorMs));
        Report report;
        addPart(report, part);
        std::ostringstream out;
        report.print(out);
        const std::size_t row = out.str().find("Mark error against the length sent");
        return out.str().substr(row, out.str().find('\n', row) - row);
    };
    // RI is sampled once a millisecond. A 50-baud mark is read to the bit, against the bits sent:
    // one of 200.045 ms read as 180 ms is one bit off. Characters have no target.
    const std::tuple<ReceiverKind, double, int64_t, const char *> verdicts[]
        = {{ReceiverKind::Dcd, 0.29, 0, "PASS"},       {ReceiverKind::Dcd, 0.31, 0, "MISS"},
           {ReceiverKind::Ri, 1.29, 0, "PASS"},        {ReceiverKind::Ri, 1.31, 0, "MISS"},
           {ReceiverKind::Rxd50, -20, 45'000, "PASS"}, {ReceiverKind::Rxd50, 40, 45'000, "MISS"},
           {ReceiverKind::Characters, 5, 0, "ms"}};
    for (const auto &[kind, errorMs, sentLateNs, ends] : verdicts)
        EXPECT_TRUE(verdict(kind, errorMs, sentLateNs).ends_with(ends))
            << verdict(kind, errorMs, sentLateNs);
}

} // namespace
} // namespace dcf::bench
