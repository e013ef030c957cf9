// Edges are timed by their arrival on the microsecond clock, not by when the window thread gets
// round to their characters: lengths are rounded only after the subtraction, the opening of the
// port is taken on the same clock, and a window thread held up by slow reactions or a burst of
// queued characters measures the same marks as an idle one.

#include "control_log.h"
#include "program/program.h"
#include "receiver_script.h"

#include <gtest/gtest.h>
#include <random>

namespace dcf::testing {
namespace {

/// Start is pressed at 0; the reset sleeps a second, then the port opens.
constexpr int64_t kOpenedUs = 1'000'000;

struct TimedProgram
{
    TimedProgram()
    {
        program.start();
        program.frmDCF77.txtComPort.setText("1");
        log.watch(program.frmDCF77);
    }

    /// `characters` arriving at `us`, between milliseconds too.
    void arrive(int64_t us, const char *characters)
    {
        vp.at(us / 1000, [this, us, characters] { vp.serial.receive(characters, us); });
    }

    void run(int64_t endMs)
    {
        vp.endAt(endMs);
        EXPECT_THROW(program.frmDCF77.cmdStart.click(), ScriptExhausted);
    }

    /// The main window's writes up to the hand-over to the decoder, as "txtZeit2.Text=  0.100".
    std::vector<std::string> shownUntilHandOver() const
    {
        std::vector<std::string> shown;
        for (const ControlLog::Entry &entry : log.entries) {
            shown.push_back(entry.control + "." + propertyName(entry.property) + "=" + entry.value);
            if (shown.back() == "optPuls02.Value=1")
                break;
        }
        return shown;
    }

    VirtualPlatform vp;
    Program program {vp.platform()};
    ControlLog log {vp};
};

TEST(PulseTiming, LengthIsRoundedFromTheFineStamps)
{
    const struct
    {
        int64_t startUs, endUs;
        double seconds;
    } table[] = {
        // Whole milliseconds would make these 101 and 99 ms.
        {1'999'900, 2'100'100, 0.100},
        {2'000'100, 2'199'900, 0.200},
        // Exact limits stay exact, so the strict comparisons still decide as before.
        {2'000'250, 2'250'250, 0.250},
    };
    for (const auto &c : table) {
        TimedProgram timed;
        timed.arrive(c.startUs, "1");
        timed.arrive(c.endUs, "0");
        timed.run(c.endUs / 1000 + 500);
        EXPECT_EQ(timed.program.g.PulsLaenge, c.seconds) << c.startUs << " to " << c.endUs;
    }
}

TEST(PulseTiming, OpeningIsTakenOnTheClockOfTheStamps)
{
    // The port opens 700 us into its millisecond; a start taken from the millisecond count would
    // add them to every time since the opening.
    constexpr int64_t kPast = 700;
    const struct
    {
        int64_t firstStartUs; ///< after the opening; its end follows 100 ms later
        int16_t gaps;
        bool ended;
    } table[] = {
        {1'500'000, 0, false}, // a first interval of exactly 1.5 s is no minute gap
        {1'501'000, 1, false},
        {121'000'000, 0, false}, // a start at exactly 121 s is no time-out
        {121'000'001, 0, true},
    };
    for (const auto &c : table) {
        TimedProgram timed;
        timed.vp.time.microsecondsPast = kPast;
        const int64_t start = kOpenedUs + kPast + c.firstStartUs;
        timed.arrive(start, "1");
        timed.arrive(start + 100'000, "0");
        timed.run(start / 1000 + 300);
        EXPECT_EQ(timed.program.g.PausenZaehler, c.gaps) << c.firstStartUs;
        EXPECT_EQ(timed.program.frmDCF77.optPuls02.value(), c.ended) << c.firstStartUs;
    }
}

struct Disturbance
{
    const char *name;
    int reactions; ///< at random moments of the minute
    int64_t holdMs; ///< each holds the window thread this long
};

class LateProcessing : public ::testing::TestWithParam<Disturbance>
{
};

/// A received minute after a lead-in, the receiver going on after it; returns the hand-over.
int64_t scriptMinute(VirtualPlatform &vp)
{
    ReceiverScript receiver(vp);
    const MinuteBits zeros(59, 0);
    const int64_t minute = receiver.minute(kOpenedUs / 1000 + 500 - 57 * kSecondMs, zeros, 57);
    const int64_t next = receiver.minute(minute, telegramAnnouncing("2024-03-15 14:37"));
    receiver.minute(next, zeros);
    return next;
}

TEST_P(LateProcessing, MeasuresTheMarksAsAnIdleWindowThreadDoes)
{
    TimedProgram idle;
    const int64_t handOver = scriptMinute(idle.vp);
    idle.run(handOver + 3 * kSecondMs);

    TimedProgram busy;
    scriptMinute(busy.vp);
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> moment(kOpenedUs / 1000, handOver);
    int held = 0;
    for (int n = 0; n < GetParam().reactions; ++n) {
        busy.vp.at(moment(random), [&busy, &held, hold = GetParam().holdMs] {
            ++held;
            busy.vp.time.sleep(hold);
        });
    }
    busy.run(handOver + 3 * kSecondMs);

    ASSERT_EQ(held, GetParam().reactions) << "the window thread was held up less than planned";
    EXPECT_EQ(busy.program.g.PulsZaehler, 59);
    // Every time, length, class, bit and counter as shown, in the same order.
    EXPECT_EQ(busy.shownUntilHandOver(), idle.shownUntilHandOver());
}

INSTANTIATE_TEST_SUITE_P(
    Disturbances, LateProcessing,
    ::testing::Values(Disturbance {"ReactionsOf40ms", 120, 40},
                      // Each holds a whole mark and the next start back: a burst of three.
                      Disturbance {"QueuedBursts", 12, 1200}),
    [](const ::testing::TestParamInfo<Disturbance> &testCase) { return testCase.param.name; });

} // namespace
} // namespace dcf::testing
