// Thirty days in virtual time, across the wraps of a 32-bit millisecond count: Start pressed at
// random, the simulator's jittered marks and noise characters, the running clock in between.
// Every Start must decode the minute that was sent, the clock must keep the time, and the
// program's heap must stay flat.

#include "printers.h"
#include "program/program.h"
#include "schedule.h"
#include "virtual_platform.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <malloc.h>
#include <random>

// Under the sanitizer its runtime counts the heap (GCC installs no header for it).
extern "C" [[gnu::weak]] std::size_t __sanitizer_get_current_allocated_bytes();

namespace dcf::testing {
namespace {

constexpr int64_t kSecond = 1000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kDay = 1440 * kMinute;
constexpr int kDays = 30;

std::size_t liveHeapBytes()
{
    if (__sanitizer_get_current_allocated_bytes)
        return __sanitizer_get_current_allocated_bytes();
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd; // large blocks are mapped apart
}

// The signal's first minute; the change to summer time follows within thirty days.
const int64_t kFirstUtc = *sim::parseLegalTime("2026-03-20 08:00", false).utcSeconds;

/// Start pressed every few hours at random, the receiver sending for the few minutes after each;
/// in between the running clock counts on.
class Soak : public ::testing::TestWithParam<int64_t>, public ProgramObserver
{
protected:
    /// Must be the minute that began last, and each Start gives one.
    void minuteDecoded(const DecodedMinute &decoded) override
    {
        const int64_t n = (vp.now() + kSecond - firstMinute) / kMinute;
        const sim::LegalTime sent = sim::legalTimeAt(kFirstUtc + n * 60);
        EXPECT_EQ(
            decoded,
            (DecodedMinute {sent.minute, sent.hour, sent.day, sent.weekday, sent.month, sent.year,
                            sent.zone == sim::Zone::CEST ? "Sommerzeit" : "Winterzeit"}))
            << "decode at minute " << n;
        ++decodes;
        decodedAt = vp.now();
        decodedMinuteOfDay = sent.hour * 60 + sent.minute;
    }

    /// In virtual time the clock loses nothing: the decoded time plus the minutes since.
    void secondShown(const ShownSecond &second) override
    {
        if (second.second == 30) {
            EXPECT_EQ(second.hour * 60 + second.minute,
                      (decodedMinuteOfDay + (vp.now() - decodedAt) / kMinute) % 1440);
        }
    }

    /// The signal of minutes n and on, jittered and with noise characters.
    void send(int64_t n, int minutes)
    {
        for (const int64_t last = n + minutes; n < last; ++n) {
            sim::SignalOptions signal;
            signal.startUtc = kFirstUtc + n * 60;
            signal.jitterMs = 15;
            signal.seed = static_cast<uint64_t>(n);
            signal.noisePerSecond = 1;
            const std::optional<sim::PlannedMinute> marks
                = sim::SignalSchedule(signal).nextMinute();
            for (const sim::Emission &emission : marks->emissions)
                vp.serialAt(firstMinute + n * kMinute + emission.atMs, emission.characters);
        }
    }

    const int64_t origin = GetParam();
    const int64_t end = origin + kDays * kDay;
    const int64_t firstMinute = origin + 20 * kSecond;
    int decodes = 0;
    int64_t decodedAt = 0;
    int64_t decodedMinuteOfDay = 0;
    VirtualPlatform vp;
    Program program {vp.platform(), vp.windows()};
};

TEST_P(Soak, ThirtyDaysOfReceptionAndClock)
{
    vp.desktop.logging = false;
    vp.time.advanceTo(origin);
    program.addObserver(*this);
    program.start();
    program.mainWindow().txtComPort.setText("1");
    std::mt19937_64 random {77};
    std::exponential_distribution<double> hoursApart(1.0 / 3);
    int starts = 0;
    for (int64_t at = origin + kMinute; at < end - 5 * kMinute; ++starts) {
        const int64_t minute = (at - firstMinute) / kMinute;
        vp.lineAt(at - 5 * kSecond, [this, minute] { send(minute, 4); });
        vp.at(at, [this] { program.mainWindow().cmdStart.click(); });
        at += 10 * kMinute + static_cast<int64_t>(hoursApart(random) * 3600 * kSecond);
    }
    std::vector<std::size_t> heap; // live bytes at the start of each day
    for (int64_t day = origin; day < end; day += kDay)
        vp.at(day, [this, &heap] {
            vp.time.sleeps.clear(); // the test's own log
            heap.push_back(liveHeapBytes());
        });
    vp.endAt(end);
    try {
        // The window system's own loop, for whenever no Start command is running.
        while (vp.nextScripted() >= 0) {
            vp.time.advanceTo(vp.nextScripted());
            vp.deliverDue();
        }
    } catch (const ScriptExhausted &) { }
    EXPECT_GE(vp.now(), end);

    EXPECT_EQ(decodes, starts);
    ASSERT_EQ(heap.size(), static_cast<std::size_t>(kDays));
    const std::size_t growth = *std::max_element(heap.begin() + 1, heap.end()) - heap[1];
    std::printf("soak from %lld ms: %d Starts, %d minutes decoded; heap peak %zu bytes, growth "
                "after day 1 %zu bytes\n",
                static_cast<long long>(origin), starts, decodes,
                *std::max_element(heap.begin(), heap.end()), growth);
    EXPECT_LT(growth, 64u * 1024);
}

// Just below the points where a 32-bit millisecond count turns negative and wraps; thirty days
// from the first pass both.
INSTANTIATE_TEST_SUITE_P(TimeBase, Soak,
                         ::testing::Values((int64_t {1} << 31) - 3'600'000,
                                           (int64_t {1} << 32) - 3'600'000));

} // namespace
} // namespace dcf::testing
