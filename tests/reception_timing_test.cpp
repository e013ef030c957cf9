// Edges are timed by their arrival on the microsecond clock, not by when the window thread gets
// round to their characters: lengths are rounded only after the subtraction, the opening of the
// port is taken on the same clock, and a window thread held up by slow reactions or a burst of
// queued characters measures the same marks as an idle one.

#include "control_log.h"
#include "program/program.h"
#include "receiver_script.h"

#include <gtest/gtest.h>
#include <map>
#include <random>

namespace dcf::testing {
namespace {

/// Start is pressed at 0; the reset sleeps a second, then the port opens.
constexpr int64_t kOpened = 1000;
constexpr int64_t kUsPerMs = 1000;

/// The virtual clock with a scripted sub-millisecond part at chosen milliseconds.
class FineTime final : public TimeBase
{
public:
    FineTime(VirtualTime &base, std::map<int64_t, int64_t> extraMicroseconds)
        : m_base(base)
        , m_extra(std::move(extraMicroseconds))
    { }

    int64_t milliseconds() const override { return m_base.milliseconds(); }
    int64_t microseconds() const override
    {
        const int64_t ms = m_base.milliseconds();
        const auto extra = m_extra.find(ms);
        return ms * kUsPerMs + (extra == m_extra.end() ? 0 : extra->second);
    }
    void sleep(int64_t ms) override { m_base.sleep(ms); }
    void sleepUntil(int64_t deadline) override { m_base.sleepUntil(deadline); }

private:
    VirtualTime &m_base;
    std::map<int64_t, int64_t> m_extra;
};

/// The program on the virtual platform, its clock `openingExtraUs` past the millisecond when
/// the port opens.
class TimedProgram
{
public:
    explicit TimedProgram(int64_t openingExtraUs = 0)
        : time(vp.time, {{kOpened, openingExtraUs}})
    {
        program.start();
        program.frmDCF77.txtComPort.setText("1");
        log.watch(program.frmDCF77);
    }

    /// `characters` arriving at `us`.
    void arrive(int64_t us, const char *characters)
    {
        vp.at(us / kUsPerMs, [this, us, characters] { vp.serial.receive(characters, us); });
    }

    /// Presses Start and runs the script to its end.
    void run(int64_t endMs)
    {
        vp.endAt(endMs);
        EXPECT_THROW(program.frmDCF77.cmdStart.click(), ScriptExhausted);
    }

    /// What the main window showed up to the hand-over to the decoder, as
    /// "txtZeit2.Text=  0.100".
    std::vector<std::string> shownUntilHandOver() const
    {
        std::vector<std::string> shown;
        for (const ControlLog::Entry &entry : log.entries) {
            shown.push_back(entry.control + "." + propertyName(entry.property) + "=" + entry.value);
            if (entry.control == "optPuls02" && entry.property == Property::Value
                && entry.value == "1")
                break;
        }
        return shown;
    }

    VirtualPlatform vp;
    FineTime time;
    Platform platform {vp.events, time, vp.serial, vp.desktop};
    Program program {platform};
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
        timed.run(c.endUs / kUsPerMs + 500);
        EXPECT_EQ(timed.program.g.PulsLaenge, c.seconds) << c.startUs << " to " << c.endUs;
    }
}

TEST(PulseTiming, OpeningIsTakenOnTheClockOfTheStamps)
{
    // The port opens 700 us into its millisecond; a start taken from the millisecond count
    // would add those 700 us to every time since the opening.
    constexpr int64_t kOpeningUs = kOpened * kUsPerMs + 700;
    const struct
    {
        const char *name;
        int64_t firstStartUs; ///< after the opening; its end follows 100 ms later
        int16_t gaps;
        bool ended;
    } table[] = {
        {"FirstIntervalOfExactly1_5IsNoGap", 1'500'000, 0, false},
        {"FirstIntervalOf1_501IsAGap", 1'501'000, 1, false},
        {"PulseStartAtExactly121DoesNotTimeOut", 121'000'000, 0, false},
        {"PulseStartJustAfter121TimesOut", 121'000'001, 0, true},
    };
    for (const auto &c : table) {
        TimedProgram timed(kOpeningUs - kOpened * kUsPerMs);
        const int64_t start = kOpeningUs + c.firstStartUs;
        timed.arrive(start, "1");
        timed.arrive(start + 100 * kUsPerMs, "0");
        timed.run(start / kUsPerMs + 300);
        EXPECT_EQ(timed.program.g.PausenZaehler, c.gaps) << c.name;
        EXPECT_EQ(timed.program.frmDCF77.optPuls02.value(), c.ended) << c.name;
    }
}

/// Holds up the window thread: reactions that run for a while, during which characters queue.
struct DisturbanceCase
{
    const char *name;
    int count;
    int64_t holdMs;
};

class LateProcessing : public ::testing::TestWithParam<DisturbanceCase>
{
protected:
    /// A received minute after a lead-in, the receiver going on after it; returns its end.
    static int64_t scriptMinute(TimedProgram &timed)
    {
        ReceiverScript receiver(timed.vp);
        const MinuteBits zeros(59, 0);
        const int64_t minute = receiver.minute(kOpened + 500 - 57 * kSecondMs, zeros, 57);
        const int64_t next = receiver.minute(minute, telegramAnnouncing("2024-03-15 14:37"));
        receiver.minute(next, zeros);
        return next;
    }
};

TEST_P(LateProcessing, MeasuresTheMarksAsAnIdleWindowThreadDoes)
{
    TimedProgram idle;
    const int64_t handOver = scriptMinute(idle);
    idle.run(handOver + 3 * kSecondMs);

    TimedProgram busy;
    scriptMinute(busy);
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> moment(kOpened, handOver);
    int held = 0;
    for (int n = 0; n < GetParam().count; ++n) {
        busy.vp.at(moment(random), [&busy, &held, hold = GetParam().holdMs] {
            ++held;
            busy.vp.time.sleep(hold);
        });
    }
    busy.run(handOver + 3 * kSecondMs);

    ASSERT_EQ(held, GetParam().count) << "the window thread was held up less than planned";
    EXPECT_EQ(busy.shownUntilHandOver(), idle.shownUntilHandOver());
    const Global &expected = idle.program.g;
    const Global &measured = busy.program.g;
    EXPECT_EQ(measured.PulsZaehler, 59);
    EXPECT_EQ(measured.PausenZaehler, expected.PausenZaehler);
    EXPECT_EQ(measured.Fehler1 + measured.Fehler2 + measured.Fehler3, 0);
    for (int n = 0; n <= Global::kPulsTableLast; ++n) {
        EXPECT_EQ(measured.PulsZeit[n], expected.PulsZeit[n]) << n;
        EXPECT_EQ(measured.PulsAbstand[n], expected.PulsAbstand[n]) << n;
    }
    EXPECT_EQ(busy.vp.serial.opens, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Disturbances, LateProcessing,
    ::testing::Values(DisturbanceCase {"ReactionsOf40ms", 120, 40},
                      // Each holds a whole mark and the next start back: a burst of three.
                      DisturbanceCase {"QueuedBursts", 12, 1200}),
    [](const ::testing::TestParamInfo<DisturbanceCase> &testCase) { return testCase.param.name; });

} // namespace
} // namespace dcf::testing
