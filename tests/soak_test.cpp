// Thirty days of a realistic receiver in virtual time: the simulator's jittered marks and noise
// characters, bursts of spurious edges, lost marks, the receiver unplugged and back, Start pressed
// at random, and the running clock in between. Every decode must be the time that was sent, the
// clock must keep it, after every Start the first complete undisturbed minute must have been
// decoded by its end, and the program's heap must stay flat.

#include "printers.h"
#include "program/program.h"
#include "schedule.h"
#include "virtual_platform.h"

#include <algorithm>
#include <cerrno>
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

// The signal's first minute; a change to summer time and a leap second follow within thirty days.
const int64_t kFirstUtc = sim::utcOf("2026-03-20 08:00", false);
const int64_t kSummerTimeUtc = sim::utcOf("2026-03-29 01:59", false);
const int64_t kLeapMinuteUtc = sim::utcOf("2026-04-01 01:59", false);

struct Minute
{
    int64_t start = 0; ///< virtual time of its second 0
    int64_t lostMark = -1;
    int64_t burstAt = -1; ///< offset of a burst of spurious edges
    bool disturbed() const { return lostMark >= 0 || burstAt >= 0; }
};

/// Everything the receiver and the user do, planned from one seed before the heap is measured.
class Soak : public ::testing::TestWithParam<int64_t>, public ProgramObserver
{
protected:
    Soak()
    {
        std::bernoulli_distribution lose(0.08), burst(0.08), soonAgain(0.2);
        // A lost mark not beside the minute gap, which would disturb the next minute too.
        std::uniform_int_distribution<int64_t> lostSecond(1, 57), anywhere(0, kMinute - 1),
            fewSeconds(2 * kSecond, 150 * kSecond), someDay(kDay, (kDays - 1) * kDay),
            unplug(10 * kSecond, 10 * kMinute);
        std::exponential_distribution<double> hoursApart(1.0 / 3);
        for (int64_t at = origin + 20 * kSecond; at < end + 3 * kMinute;) {
            const int64_t utc = kFirstUtc + static_cast<int64_t>(minutes.size()) * 60;
            minutes.push_back({at, lose(random) ? lostSecond(random) : -1,
                               burst(random) ? anywhere(random) : -1});
            at += (utc == kLeapMinuteUtc ? 61 : 60) * kSecond;
            if (utc == kSummerTimeUtc || utc == kLeapMinuteUtc)
                starts.push_back(at - 2 * kMinute); // receptions across both
        }
        for (int k = 0; k < 6; ++k) {
            const int64_t from = origin + someDay(random), to = from + unplug(random);
            unplugged.emplace_back(from, to);
            vp.lineAt(from, [this] {
                vp.serial.openProblem = PortProblem {PortFault::NoSuchDevice, ENOENT};
                vp.serial.fail({PortFault::Vanished, EIO});
            });
            vp.lineAt(to, [this] { vp.serial.openProblem.reset(); });
            starts.push_back(from + fewSeconds(random)); // may find it still unplugged
            starts.push_back(to + fewSeconds(random));
        }
        // The first Start finds the receiver sending, so that no time-out cuts a minute short.
        for (int64_t next = origin + 90 * kSecond; next < end;
             next += 10 * kSecond + static_cast<int64_t>(hoursApart(random) * 3600 * kSecond)) {
            starts.push_back(next);
            if (soonAgain(random))
                starts.push_back(next + fewSeconds(random));
        }
        std::sort(starts.begin(), starts.end());
        vp.advanceTo(origin);
    }

    /// Must be the minute that began last.
    void minuteDecoded(const DecodedMinute &decoded) override
    {
        // The minute that began last, also after the leap second.
        const int64_t n = (vp.now() + kSecond - minutes[0].start) / kMinute;
        const sim::LegalTime sent = sim::legalTimeAt(kFirstUtc + n * 60);
        EXPECT_EQ(
            decoded,
            (DecodedMinute {sent.minute, sent.hour, sent.day, sent.weekday, sent.month, sent.year,
                            sent.zone == sim::Zone::CEST ? "Sommerzeit" : "Winterzeit"}))
            << "decode at minute " << n;
        ++decodes;
        pendingStart = -1;
        clockAtMidnight = vp.now() - (sent.hour * 60 + sent.minute) * kMinute;
        clockShows = sent.hour * 60 + sent.minute;
    }

    void secondShown(const ShownSecond &second) override
    {
        clockShows = second.hour * 60 + second.minute;
    }

    /// Minute n's marks, planned a few seconds before it begins, with a look at the clock and a
    /// day's chores.
    void scheduleMinute(std::size_t n)
    {
        const Minute &minute = minutes[n];
        vp.at(minutes[n + 1].start - 5 * kSecond, [this, n] { scheduleMinute(n + 1); });
        vp.sleeps.clear();
        vp.sleepsUntil.clear();
        if (n % 1440 == 0)
            heap.push_back(liveHeapBytes());
        // In virtual time the clock loses nothing: the decoded time plus the minutes since.
        if (clockAtMidnight) {
            EXPECT_EQ(clockShows, (vp.now() - *clockAtMidnight) / kMinute % 1440) << "minute " << n;
        }
        // After a Start, the first undisturbed minute that follows an undisturbed one and begins
        // after the port has opened is decoded by its end, unless the receiver was unplugged. The
        // port is open 3.5 s after Start at the latest: up to two seconds until the running
        // routine processes events, one more for the reset's sleep.
        if (pendingStart >= 0 && n >= 3 && !minutes[n - 3].disturbed()
            && !minutes[n - 2].disturbed()
            && minutes[n - 2].start - 2 * kSecond >= pendingStart + 3500
            && std::ranges::none_of(unplugged, [this](const auto &period) {
                   return period.first <= vp.now() && period.second >= pendingStart;
               })) {
            ADD_FAILURE() << "Start at " << pendingStart - origin << ": minute " << n - 2
                          << " not decoded";
            pendingStart = -1;
        }
        // The clock reads nothing: minutes it would leave unread are not sent at all. (A Start due
        // by now may wait for the clock's next event processing.)
        const auto next
            = std::lower_bound(starts.begin(), starts.end(), minute.start - 10 * kSecond);
        if (clockAtMidnight && (next == starts.end() || *next > minute.start + kMinute))
            return;

        sim::SignalOptions signal;
        signal.startUtc = kFirstUtc + static_cast<int64_t>(n) * 60;
        signal.leapMinuteUtc = kLeapMinuteUtc;
        signal.jitterMs = 15;
        signal.seed = n;
        signal.noisePerSecond = 1;
        if (minute.lostMark >= 0)
            signal.faults = {{minute.lostMark, sim::MarkFault::Missing}};
        const std::optional<sim::PlannedMinute> marks = sim::SignalSchedule(signal).nextMinute();
        for (const sim::Emission &emission : marks->emissions)
            vp.serialAt(minute.start + emission.atMs, emission.characters);
        std::uniform_int_distribution<int64_t> spacing(1, 9);
        for (int64_t at = minute.start + minute.burstAt, edge = 0; minute.burstAt >= 0 && edge < 8;
             ++edge, at += spacing(random))
            vp.serialAt(at, edge % 2 == 0 ? "1" : "0");
    }

    const int64_t origin = GetParam();
    const int64_t end = origin + kDays * kDay;
    std::mt19937_64 random {77};
    std::vector<Minute> minutes;
    std::vector<int64_t> starts;
    std::vector<std::pair<int64_t, int64_t>> unplugged;
    std::vector<std::size_t> heap; ///< live bytes at the start of each day
    int64_t pendingStart = -1; ///< a Start not yet followed by a decode
    int decodes = 0;
    /// While the clock runs: when it showed, or would have shown, 00:00.
    std::optional<int64_t> clockAtMidnight;
    /// The decoded or running time last shown, in minutes of the day.
    int64_t clockShows = 0;
    VirtualPlatform vp;
    Program program {vp.platform(), vp.windows()};
};

TEST_P(Soak, ThirtyDaysOfReceptionAndClock)
{
    vp.desktop.logging = false;
    program.addObserver(*this);
    program.start();
    program.mainWindow().txtComPort.setText("1");
    scheduleMinute(0);
    for (const int64_t at : starts) {
        vp.at(at, [this] {
            clockAtMidnight.reset();
            pendingStart = vp.now();
            program.mainWindow().cmdStart.click();
        });
    }
    vp.endAt(end);
    try {
        // The window system's own loop, for whenever no Start command is running.
        while (vp.nextScripted() >= 0) {
            vp.advanceTo(vp.nextScripted());
            vp.deliverDue();
        }
    } catch (const ScriptExhausted &) { }
    EXPECT_GE(vp.now(), end);

    EXPECT_GT(decodes, 100);

    const std::size_t growth = *std::max_element(heap.begin() + 1, heap.end()) - heap[1];
    std::printf("soak from %lld ms: %zu Starts, %d port openings, %d minutes decoded; heap peak "
                "%zu bytes, growth after day 1 %zu bytes\n",
                static_cast<long long>(origin), starts.size(), vp.serial.opens, decodes,
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
