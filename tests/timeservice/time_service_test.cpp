// The time service in virtual time on the simulator's signal: when samples flow, that each one
// names the true second of its mark with the exact offset, and where faults stop them.

#include "german_time.h"
#include "receiver_signal.h"
#include "timeservice/status_line.h"

#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace dcf::timeservice::testing {
namespace {

constexpr int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr int64_t kClockError = 1'234'567'891; // the system clock runs this far ahead

template<typename Case> std::string caseName(const ::testing::TestParamInfo<Case> &test)
{
    return test.param.name;
}

int64_t utc(const char *legal)
{
    return *sim::parseLegalTime(legal).utcSeconds;
}

/// The true seconds of the marks from `from` on, up to `to` (not included).
std::set<int64_t> marksBetween(const ReceiverSignal &signal, int64_t from, int64_t to = INT64_MAX)
{
    std::set<int64_t> seconds;
    for (const Mark &mark : signal.marks) {
        if (mark.trueUtc && *mark.trueUtc >= from && *mark.trueUtc < to)
            seconds.insert(*mark.trueUtc);
    }
    return seconds;
}

/// Every sample names the second its mark began in and puts it exactly where the system clock
/// was then; returns their seconds.
std::set<int64_t> checkedSamples(const Playback &playback)
{
    std::set<int64_t> seconds;
    for (const Sample &sample : playback.sink.samples) {
        const int64_t sinceStart
            = sample.monotonicMicroseconds - Playback::kOrigin - playback.delayMicroseconds;
        std::optional<int64_t> trueUtc;
        for (const Mark &mark : playback.signal.marks) {
            if (mark.beginMs * 1000 == sinceStart)
                trueUtc = mark.trueUtc;
        }
        EXPECT_EQ(sample.trueUtcSeconds, trueUtc) << "a sample from an edge that began no mark";
        EXPECT_EQ(sample.systemNanoseconds,
                  sample.trueUtcSeconds * kNanosecondsPerSecond + kClockError
                      + playback.delayMicroseconds * 1000);
        EXPECT_TRUE(seconds.insert(sample.trueUtcSeconds).second) << "two samples of one second";
    }
    return seconds;
}

TEST(TimeService, CleanSignalGivesOneExactSamplePerMarkOnceTwoMinutesAgree)
{
    const ReceiverSignal signal(utc("2026-12-07 12:34:25"), 6);
    Playback playback(signal, kClockError, 7000);
    playback.play();

    EXPECT_EQ(checkedSamples(playback), marksBetween(signal, utc("2026-12-07 12:37:00")));
    const int64_t firstSampleAfter = playback.sink.samples.at(0).monotonicMicroseconds
        - playback.signal.edges(Playback::kOrigin, 7000).at(0).stampMicroseconds;
    EXPECT_LE(firstSampleAfter, 180'000'000);
    for (const Sample &sample : playback.sink.samples)
        EXPECT_FALSE(sample.leapSecondAhead);

    ASSERT_EQ(playback.reports.size(), 5u);
    const char *const lines[] = {
        "no time: incomplete minute; 34 marks, 0 samples sent",
        ("2026-12-07 12:36 CET: checks passed, waiting for the next minute to agree; 59 marks, "
         "0 samples sent"),
        "2026-12-07 12:37 CET: checks passed; 59 marks, 0 samples sent",
        "2026-12-07 12:38 CET: checks passed; 59 marks, 59 samples sent",
        "2026-12-07 12:39 CET: checks passed; 59 marks, 59 samples sent",
    };
    for (std::size_t k = 0; k < playback.reports.size(); ++k)
        EXPECT_EQ(statusLine(playback.reports[k]), lines[k]);
}

/// A fault in the trusted minute 12:38: where the samples stop, what the minute's report says,
/// and where they start again.
struct FaultCase
{
    const char *name;
    std::function<void(ReceiverSignal &)> fault;
    const char *reportedMinute;
    MinuteCheck check;
    const char *lastSample;
    const char *resumed;
};

const int64_t kFaultStart = utc("2026-12-07 12:34:00");

int64_t msOf(const char *legal)
{
    return (utc(legal) - kFaultStart) * 1000;
}

/// Gives a mark the length of the other bit value.
void flip(ReceiverSignal &signal, const char *legal)
{
    Mark &mark = signal.markAt(utc(legal));
    mark.endMs = mark.beginMs + (mark.endMs - mark.beginMs == 100 ? 200 : 100);
}

class TimeServiceFault : public ::testing::TestWithParam<FaultCase>
{
};

TEST_P(TimeServiceFault, StopsAtOnceAndWaitsForTwoMinutesToAgree)
{
    const FaultCase &test = GetParam();
    ReceiverSignal signal(kFaultStart, 10);
    test.fault(signal);
    Playback playback(signal, kClockError);
    playback.play();

    std::set<int64_t> expected
        = marksBetween(signal, utc("2026-12-07 12:37:00"), utc(test.lastSample) + 1);
    expected.merge(marksBetween(signal, utc(test.resumed)));
    EXPECT_EQ(checkedSamples(playback), expected);

    const std::size_t minute
        = static_cast<std::size_t>(utc(test.reportedMinute) - kFaultStart) / 60;
    ASSERT_GT(playback.reports.size(), minute);
    EXPECT_EQ(playback.reports[minute].check, test.check) << statusLine(playback.reports[minute]);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TimeServiceFault,
    ::testing::Values(
        FaultCase {"MissingMark", [](auto &s) { s.remove(utc("2026-12-07 12:38:30")); },
                   "2026-12-07 12:38:00", MinuteCheck::MissingMark, "2026-12-07 12:38:29",
                   "2026-12-07 12:41:00"},
        FaultCase {"MissingLastMark", [](auto &s) { s.remove(utc("2026-12-07 12:38:58")); },
                   "2026-12-07 12:38:00", MinuteCheck::MissingMark, "2026-12-07 12:38:57",
                   "2026-12-07 12:41:00"},
        FaultCase {"SpuriousMark",
                   [](auto &s) { s.addGlitch(msOf("2026-12-07 12:38:30") + 500, 60); },
                   "2026-12-07 12:38:00", MinuteCheck::Noise, "2026-12-07 12:38:30",
                   "2026-12-07 12:41:00"},
        FaultCase {"BrokenMark",
                   [](auto &s) {
                       Mark &mark = s.markAt(utc("2026-12-07 12:38:30"));
                       s.addGlitch(mark.beginMs + 40, mark.endMs - mark.beginMs - 40);
                       mark.endMs = mark.beginMs + 30;
                   },
                   "2026-12-07 12:38:00", MinuteCheck::BadMark, "2026-12-07 12:38:29",
                   "2026-12-07 12:41:00"},
        // Its bit unknown, the mark could turn a 1 into a 0 that the parity misses.
        FaultCase {"LostEndOfMark",
                   [](auto &s) { s.markAt(utc("2026-12-07 12:38:30")).endLost = true; },
                   "2026-12-07 12:38:00", MinuteCheck::Noise, "2026-12-07 12:38:29",
                   "2026-12-07 12:41:00"},
        FaultCase {"LongMark",
                   [](auto &s) {
                       Mark &mark = s.markAt(utc("2026-12-07 12:38:30"));
                       mark.endMs = mark.beginMs + 300;
                   },
                   "2026-12-07 12:38:00", MinuteCheck::BadMark, "2026-12-07 12:38:29",
                   "2026-12-07 12:41:00"},
        // Found only once the minute is over: its own marks were counted from the minute before.
        FaultCase {"ParityError", [](auto &s) { flip(s, "2026-12-07 12:38:21"); },
                   "2026-12-07 12:38:00", MinuteCheck::MinuteParity, "2026-12-07 12:38:58",
                   "2026-12-07 12:41:00"},
        // 12:39 announces 12:41: the minutes on either side of it disagree with it.
        FaultCase {"Jump",
                   [](auto &s) {
                       for (const int bit : {21, 28})
                           flip(s, ("2026-12-07 12:39:" + std::to_string(bit)).c_str());
                   },
                   "2026-12-07 12:39:00", MinuteCheck::OutOfSequence, "2026-12-07 12:39:58",
                   "2026-12-07 12:42:00"},
        FaultCase {
            "Silent",
            [](auto &s) { s.silence(utc("2026-12-07 12:38:30"), utc("2026-12-07 12:40:10")); },
            "2026-12-07 12:38:00", MinuteCheck::Incomplete, "2026-12-07 12:38:29",
            "2026-12-07 12:43:00"}),
    caseName<FaultCase>);

/// The minutes across a change of zone, a new year or a leap second follow each other.
struct TransitionCase
{
    const char *name;
    const char *start;
    std::optional<const char *> leapMinute;
};

class TimeServiceAcross : public ::testing::TestWithParam<TransitionCase>
{
};

TEST_P(TimeServiceAcross, SamplesGoOnThroughTheChange)
{
    const TransitionCase &test = GetParam();
    const int64_t start = utc(test.start);
    std::optional<int64_t> leapMinute;
    if (test.leapMinute)
        leapMinute = utc(*test.leapMinute);
    const ReceiverSignal signal(start, 8, leapMinute);
    Playback playback(signal, kClockError);
    playback.play();

    EXPECT_EQ(checkedSamples(playback), marksBetween(signal, start + 180));
    for (const Sample &sample : playback.sink.samples) {
        EXPECT_EQ(sample.leapSecondAhead, leapMinute && sample.trueUtcSeconds < *leapMinute + 60)
            << sample.trueUtcSeconds - start;
    }
    for (const MinuteReport &report : playback.reports) {
        if (report.check == MinuteCheck::Passed) {
            EXPECT_EQ(report.marks, report.time->minute == 0 && leapMinute ? 60 : 59);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Changes, TimeServiceAcross,
    ::testing::Values(TransitionCase {"SummerTime", "2026-03-29 01:55:00", std::nullopt},
                      TransitionCase {"WinterTime", "2026-10-25 02:55:00 CEST", std::nullopt},
                      TransitionCase {"NewYear", "2026-12-31 23:55:00", std::nullopt},
                      TransitionCase {"LeapSecond", "2027-01-01 00:55:00", "2027-01-01 00:59:00"}),
    caseName<TransitionCase>);

} // namespace
} // namespace dcf::timeservice::testing
