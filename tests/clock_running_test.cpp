#include "clock/running_clock.h"
#include "control_log.h"
#include "program/program.h"
#include "ui/clock_window.h"
#include "ui/panel_formats.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dcf {
namespace {

using testing::ControlLog;
using testing::ScriptExhausted;
using testing::VirtualPlatform;

using Shown = std::vector<std::pair<int64_t, std::string>>;

// An odd start, so that no due time is a round number of seconds.
constexpr int64_t kStart = 7'654'321;

class RunningClock : public ::testing::Test
{
protected:
    void SetUp() override
    {
        program.start();
        log.watch(program.frmDCF77);
        log.watch(program.frmZeit());
        vp.time.advanceTo(kStart);
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
        for (const ControlLog::Entry &entry : log.of(control, Property::Caption))
            result.emplace_back(entry.at - start, entry.value);
        return result;
    }

    /// Seconds 0 to 59 of a minute, second k shown at `due(k)`.
    template<typename Due> static void addMinute(Shown &shown, Due due)
    {
        for (int second = 0; second < 60; ++second)
            shown.emplace_back(due(second), secondsText(second, "."));
    }

    VirtualPlatform vp;
    Program program {vp.platform()};
    ControlLog log {vp};
    int64_t start = kStart;
};

TEST_F(RunningClock, CountsOnScheduleIntoBothWindowsAndSleepsBetweenSteps)
{
    program.frmDCF77.lblA(20).setVisible(false);
    log.entries.clear();
    const int eventsBefore = vp.events.processed;
    run(14, 37, 120'500);

    Shown seconds;
    addMinute(seconds, [](int s) { return s * 1000; });
    addMinute(seconds, [](int s) { return 60'000 + s * 1000; });
    seconds.emplace_back(120'000, "00.00");
    EXPECT_EQ(shown("lblA(20)"), seconds);
    EXPECT_EQ(shown("lblB(12)"), seconds);
    EXPECT_EQ(shown("lblB(10)"), (Shown {{60'000, "38"}, {120'000, "39"}}));
    EXPECT_EQ(shown("lblB(8)"), (Shown {{60'000, "14"}, {120'000, "14"}})); // every minute

    // Seconds label revealed first; each value to the main window, then the clock window;
    // nothing else (date, zone) touched.
    std::vector<std::string> writes {"lblA(20).Visible"};
    for (int minute = 0; minute < 2; ++minute) {
        for (int second = 0; second < 60; ++second)
            writes.insert(writes.end(), {"lblA(20).Caption", "lblB(12).Caption"});
        writes.insert(
            writes.end(),
            {"lblA(18).Caption", "lblB(10).Caption", "lblA(16).Caption", "lblB(8).Caption"});
    }
    writes.insert(writes.end(), {"lblA(20).Caption", "lblB(12).Caption"});
    EXPECT_EQ(log.writes(), writes);
    EXPECT_FALSE(program.frmZeit().isShown()); // written while hidden

    // Events once per step, 61 steps a minute; one bounded sleep per step, no polling.
    EXPECT_EQ(vp.events.processed - eventsBefore, 2 * 61 + 1);
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
        const char *hourAfter, *minuteAfter;
    } table[] = {
        {23, 59, "00", "00"}, {22, 59, "23", "00"}, {9, 5, "09", "06"},
        {14, 75, "15", "00"}, {30, 10, "30", "11"}, {30, 59, "00", "00"},
    };
    for (const auto &c : table) {
        log.entries.clear();
        run(c.hour, c.minute, 60'500);
        EXPECT_EQ(program.frmDCF77.lblA(16).caption(), c.hourAfter);
        EXPECT_EQ(program.frmZeit().lblB(8).caption(), c.hourAfter);
        EXPECT_EQ(program.frmDCF77.lblA(18).caption(), c.minuteAfter);
        EXPECT_EQ(program.frmZeit().lblB(10).caption(), c.minuteAfter);
        const std::set<std::string> clockLabels {"lblA(16)", "lblA(18)", "lblA(20)",
                                                 "lblB(8)",  "lblB(10)", "lblB(12)"};
        for (const ControlLog::Entry &entry : log.entries)
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
    for (int second = 0; second < 60; ++second) {
        int64_t at = second * 1000;
        if (second >= 11 && second <= 15)
            at = 15'000;
        if (second == 59)
            at = 62'500;
        expected.emplace_back(at, secondsText(second, ","));
    }
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
