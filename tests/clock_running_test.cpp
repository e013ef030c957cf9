// The running clock in virtual time: the seconds on their schedule, minute and hour roll-over,
// late steps, and Exit.

#include "clock/running_clock.h"
#include "program/program.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dcf {
namespace {

using testing::ScriptExhausted;

using Shown = std::vector<std::pair<int64_t, std::string>>;

// Eleven and a half days after the machine started, at an odd millisecond: no due time is a
// round number, and a single-precision time stamp would be off by tens of milliseconds.
constexpr int64_t kStart = 987'654'321;

class RunningClock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        program.frmZeit();
        vp.time.advanceTo(kStart);
        vp.desktop.drawn.clear();
    }

    /// Runs the clock from hour:minute, starting now, for `ms`.
    void run(int16_t hour, int16_t minute, int64_t ms)
    {
        program.g.Stunde = hour;
        program.g.Minute = minute;
        start = vp.now();
        vp.endAt(start + ms);
        EXPECT_THROW(RunClock(program.runningClockContext()), ScriptExhausted);
    }

    /// The texts one label received, with their times after the start.
    Shown shown(const std::string &control) const
    {
        Shown result;
        for (const testing::Drawn &entry : vp.desktop.drawn) {
            if (entry.control == control && entry.property == Property::Caption)
                result.emplace_back(entry.at - start, entry.value);
        }
        return result;
    }

    testing::VirtualPlatform vp;
    Program program {vp.platform()};
    int64_t start = kStart;
};

/// Seconds 0 to 59 of a minute, second k shown at `due(k)` as "kk" + separator + "00".
template<typename Due> void addMinute(Shown &shown, const char *separator, Due due)
{
    for (int second = 0; second < 60; ++second) {
        shown.emplace_back(due(second),
                           std::string {char('0' + second / 10), char('0' + second % 10)}
                               + separator + "00");
    }
}

TEST_F(RunningClock, CountsOnScheduleIntoBothWindowsAndSleepsBetweenSteps)
{
    program.frmDCF77.lblA(20).setVisible(false);
    run(14, 37, 120'500);

    Shown seconds;
    addMinute(seconds, ".", [](int s) { return s * 1000; });
    addMinute(seconds, ".", [](int s) { return 60'000 + s * 1000; });
    seconds.emplace_back(120'000, "00.00");
    EXPECT_EQ(shown("lblA(20)"), seconds);
    EXPECT_EQ(shown("lblB(12)"), seconds);
    EXPECT_TRUE(program.frmDCF77.lblA(20).visible());
    for (const char *minute : {"lblA(18)", "lblB(10)"})
        EXPECT_EQ(shown(minute), (Shown {{60'000, "38"}, {120'000, "39"}})) << minute;
    for (const char *hour : {"lblA(16)", "lblB(8)"}) // every minute, changed or not
        EXPECT_EQ(shown(hour), (Shown {{60'000, "14"}, {120'000, "14"}})) << hour;
    EXPECT_FALSE(program.frmZeit().isShown()); // written while hidden

    // It sleeps between steps, never past the next one; no polling.
    EXPECT_LE(vp.time.sleepsUntil.size(), 2u * 61 + 1);
    for (const auto &[from, deadline] : vp.time.sleepsUntil) {
        EXPECT_GT(deadline, from);
        EXPECT_LE(deadline - from, 1000);
        EXPECT_EQ((deadline - start) % 1000, 0);
    }
}

TEST_F(RunningClock, MinuteAndHourAdvanceAndWrap)
{
    const struct
    {
        int16_t hour, minute;
        const char *first, *second; ///< hh:mm after one and after two minutes
    } table[] = {
        {23, 59, "00:00", "00:01"}, {22, 59, "23:00", "23:01"}, {9, 5, "09:06", "09:07"},
        {10, 58, "10:59", "11:00"}, {14, 75, "15:00", "15:01"}, {30, 10, "30:11", "30:12"},
        {30, 59, "00:00", "00:01"},
    };
    const std::set<std::string> clockLabels {"lblA(16)", "lblA(18)", "lblA(20)",
                                             "lblB(8)",  "lblB(10)", "lblB(12)"};
    for (const auto &c : table) {
        vp.desktop.drawn.clear();
        run(c.hour, c.minute, 120'500);
        for (const auto &[hour, minute] :
             {std::pair {"lblA(16)", "lblA(18)"}, {"lblB(8)", "lblB(10)"}}) {
            const Shown hours = shown(hour);
            const Shown minutes = shown(minute);
            ASSERT_EQ(hours.size(), 2u);
            ASSERT_EQ(minutes.size(), 2u);
            EXPECT_EQ(hours[0].second + ":" + minutes[0].second, c.first) << hour;
            EXPECT_EQ(hours[1].second + ":" + minutes[1].second, c.second) << hour;
        }
        for (const testing::Drawn &entry : vp.desktop.drawn)
            EXPECT_TRUE(clockLabels.contains(entry.control)) << entry.control;
    }
}

TEST_F(RunningClock, LateStepsCatchUpWithinTheMinuteButADelayPastItsEndStays)
{
    vp.desktop.separator = ",";
    vp.at(kStart + 10'000, [this] { vp.time.sleep(5000); }); // a handler blocks in second 10
    vp.at(kStart + 58'000, [this] { vp.time.sleep(4500); }); // and in second 58
    run(12, 0, 64'000);

    Shown expected;
    addMinute(expected, ",", [](int second) -> int64_t {
        if (second >= 11 && second <= 15)
            return 15'000;
        return second == 59 ? 62'500 : second * 1000;
    });
    expected.emplace_back(62'500, "00,00");
    expected.emplace_back(63'500, "01,00");
    EXPECT_EQ(shown("lblA(20)"), expected);
    EXPECT_EQ(shown("lblA(18)"), (Shown {{62'500, "01"}}));
}

TEST_F(RunningClock, ExitStopsItAtOnce)
{
    vp.at(kStart + 5500, [this] { program.frmDCF77.cmdExit.click(); });
    EXPECT_THROW(RunClock(program.runningClockContext()), RoutineInterrupted);
    EXPECT_EQ(vp.now(), kStart + 6000);
    EXPECT_EQ(vp.desktop.drawn.size(), vp.desktop.drawnAtQuit);
    EXPECT_EQ(program.frmDCF77.lblA(20).caption(), "06.00");
}

} // namespace
} // namespace dcf
