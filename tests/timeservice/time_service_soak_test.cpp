// Thirty days of a realistic receiver in virtual time, fed straight to the time service: jittered
// marks, lost marks, bursts of spurious edges, the receiver unplugged for minutes, a change to
// summer time and a leap second. Not one sample may name a wrong second; they are counted.

#include "german_time.h"
#include "random.h"
#include "schedule.h"
#include "timeservice/time_service.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

namespace dcf::timeservice {
namespace {

constexpr int64_t kSecond = 1'000'000; // microseconds
constexpr int kDays = 30;
constexpr int kMinutes = kDays * 1440;
constexpr int kJitterMs = 15;

/// The system clock keeps the true time, repeating a second at the leap second. Every sample
/// must come from a mark's start, name that mark's second and lie within the jitter of it.
class TrueClockAndChecks final : public ClockPairSource, public SampleSink
{
public:
    ClockPair read() override
    {
        return {minuteUtc * 1'000'000'000 + std::min(now - minuteStart, 60 * kSecond) * 1000,
                now * 1000};
    }
    bool send(const Sample &sample) override
    {
        ++samples;
        const auto mark = marks.find(sample.monotonicMicroseconds);
        if (mark == marks.end()) {
            ADD_FAILURE() << "a sample from a spurious edge at second " << sample.trueUtcSeconds;
            return true;
        }
        EXPECT_EQ(sample.trueUtcSeconds, mark->second);
        EXPECT_LE(std::llabs(sample.systemNanoseconds - sample.trueUtcSeconds * 1'000'000'000),
                  kJitterMs * 1'000'000);
        return true;
    }

    int64_t now = 0;
    int64_t minuteStart = 0; ///< monotonic, of the minute being played
    int64_t minuteUtc = 0;
    /// The minute's marks: their start stamps and true seconds.
    std::map<int64_t, int64_t> marks;
    int64_t samples = 0;
};

TEST(TimeServiceSoak, ThirtyDaysWithoutAWrongSecond)
{
    const int64_t firstUtc = *sim::parseLegalTime("2026-03-20 08:00:00").utcSeconds;
    const int64_t leapMinuteUtc = *sim::parseLegalTime("2026-04-01 01:59:00").utcSeconds;
    sim::Random random(77);
    std::vector<std::pair<int64_t, int64_t>> unplugged; // minutes
    for (int k = 0; k < 6; ++k) {
        const int64_t from = random.uniform(1440, kMinutes - 1440);
        unplugged.emplace_back(from, from + random.uniform(1, 10));
    }
    TrueClockAndChecks clock;
    TimeService service(clock, clock);
    int64_t start = 1000 * kSecond; // monotonic, of the minute
    int64_t nextPoll = start;
    int64_t marks = 0;
    for (int n = 0; n < kMinutes; ++n) {
        sim::SignalOptions signal;
        signal.startUtc = firstUtc + int64_t {n} * 60;
        signal.leapMinuteUtc = leapMinuteUtc;
        signal.jitterMs = kJitterMs;
        signal.seed = static_cast<uint64_t>(n);
        if (random.uniform(0, 99) < 8) // a lost mark
            signal.faults = {{random.uniform(0, 58), sim::MarkFault::Missing}};
        const sim::PlannedMinute minute = *sim::SignalSchedule(signal).nextMinute();
        const bool plugged = std::ranges::none_of(
            unplugged, [n](const auto &period) { return n >= period.first && n < period.second; });

        std::vector<Edge> edges;
        clock.marks.clear();
        for (const sim::Emission &emission : minute.emissions) {
            if (!plugged)
                break;
            edges.push_back({emission.characters == "1", start + emission.atMs * 1000});
            if (edges.back().markBegins)
                clock.marks[edges.back().stampMicroseconds]
                    = signal.startUtc + (emission.atMs + 500) / 1000;
        }
        if (plugged && random.uniform(0, 99) < 8) { // a burst of spurious edges
            int64_t at = start + random.uniform(0, 59'999) * 1000;
            for (int k = 0; k < 8; ++k, at += random.uniform(1, 9) * 1000)
                edges.push_back({k % 2 == 0, at});
            std::ranges::stable_sort(edges, {}, &Edge::stampMicroseconds);
        }
        marks += static_cast<int64_t>(clock.marks.size());

        clock.minuteStart = start;
        clock.minuteUtc = signal.startUtc;
        for (const Edge &edge : edges) {
            for (; nextPoll < edge.stampMicroseconds; nextPoll += kSecond / 2) {
                clock.now = nextPoll;
                service.poll(nextPoll);
            }
            clock.now = edge.stampMicroseconds + 150;
            service.edge(edge);
        }
        start += minute.telegram.seconds * kSecond;
    }

    std::printf("%lld samples from %lld marks in %d days (%.1f %%)\n",
                static_cast<long long>(clock.samples), static_cast<long long>(marks), kDays,
                100.0 * static_cast<double>(clock.samples) / static_cast<double>(marks));
    // Faults cost three minutes each at most: about 16 % of the minutes are disturbed.
    EXPECT_GT(clock.samples, marks * 6 / 10);
}

} // namespace
} // namespace dcf::timeservice
