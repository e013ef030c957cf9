// Thirty days of a realistic receiver in virtual time, fed straight to the time service: jittered
// marks, lost marks, bursts of spurious edges, the receiver unplugged for minutes, a change to
// summer time and a leap second. Not one sample may name a wrong second; they are counted.

#include "german_time.h"
#include "random.h"
#include "receiver_signal.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

namespace dcf::timeservice::testing {
namespace {

constexpr int kDays = 30;
constexpr int kMinutes = kDays * 1440;

TEST(TimeServiceSoak, ThirtyDaysWithoutAWrongSecond)
{
    const int64_t firstUtc = sim::utcOf("2026-03-20 08:00:00");
    const int64_t leapMinuteUtc = sim::utcOf("2026-04-01 01:59:00");
    sim::Random random(77);
    std::vector<std::pair<int64_t, int64_t>> unplugged; // minutes
    for (int k = 0; k < 6; ++k) {
        const int64_t from = random.uniform(1440, kMinutes - 1440);
        unplugged.emplace_back(from, from + random.uniform(1, 10));
    }
    Playback playback(firstUtc);
    std::size_t marks = 0;
    std::size_t samples = 0;
    for (int n = 0; n < kMinutes; ++n) {
        sim::SignalOptions signal;
        signal.startUtc = firstUtc + int64_t {n} * 60;
        signal.leapMinuteUtc = leapMinuteUtc;
        signal.jitterMs = 15;
        signal.seed = static_cast<uint64_t>(n);
        if (random.uniform(0, 99) < 8) // a lost mark
            signal.faults = {{random.uniform(0, 58), sim::MarkFault::Missing}};
        const int64_t minuteMs = playback.sentMs();
        playback.marks.clear();
        playback.samples.clear();
        playback.add(signal, 1);
        if (std::ranges::any_of(unplugged, [n](const auto &period) {
                return n >= period.first && n < period.second;
            })) {
            playback.marks.clear();
        } else if (random.uniform(0, 99) < 8) { // a burst of spurious edges
            int64_t at = minuteMs + random.uniform(0, 59'999);
            for (int k = 0; k < 4; ++k, at += random.uniform(1, 9)) {
                const int64_t begin = at;
                at += random.uniform(1, 9);
                playback.marks.push_back({begin, at, std::nullopt});
            }
        }
        marks += static_cast<std::size_t>(std::ranges::count_if(
            playback.marks, [](const Mark &mark) { return mark.trueUtc.has_value(); }));
        playback.play();
        samples += playback.checkedSamples().size();
    }

    std::printf("%zu samples from %zu marks in %d days (%.1f %%)\n", samples, marks, kDays,
                100.0 * static_cast<double>(samples) / static_cast<double>(marks));
    // Faults cost three minutes each at most: about 16 % of the minutes are disturbed.
    EXPECT_GT(samples, marks * 6 / 10);
}

} // namespace
} // namespace dcf::timeservice::testing
