#include "clock/clock_window.h"
#include "clock/running_clock.h"
#include "decoding/date_texts.h"
#include "decoding/decoder.h"
#include "property_log.h"
#include "ui/program.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace dcf {
namespace {

using testing::PropertyLog;
using testing::ScriptExhausted;
using testing::VirtualPlatform;

using Shown = std::vector<std::pair<int64_t, std::string>>;

// An odd start, so due times are never round numbers of seconds.
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

    void startAt(int16_t hour, int16_t minute)
    {
        program.g.Stunde = hour;
        program.g.Minute = minute;
    }

    /// Runs the clock until the virtual time passes `ms` after the start.
    void runFor(int64_t ms)
    {
        log.entries.clear();
        eventsBefore = vp.events.processed;
        vp.endAt(kStart + ms);
        EXPECT_THROW(RunClock(program), ScriptExhausted);
    }

    /// The texts one label received, with their times after the start.
    Shown shown(const std::string &control) const
    {
        Shown result;
        for (const PropertyLog::Entry &entry : log.captions(control))
            result.emplace_back(entry.at - kStart, entry.text);
        return result;
    }

    static std::string seconds(int value) { return secondsText(value, "."); }

    VirtualPlatform vp;
    Program program {vp.platform()};
    PropertyLog log {vp};
    int eventsBefore = 0;
};

TEST_F(RunningClock, CountsTwoMinutesOnScheduleIntoBothWindows)
{
    for (int bit : {18, 21, 22, 23, 25, 26, 31, 33, 36, 38, 43, 44, 46, 49, 51, 52, 55})
        program.frmDCF77.chkPuls(bit).setValue(CheckBox::Checked);
    DecodeTelegram(program); // 14:37
    program.frmDCF77.lblA(20).setVisible(false);
    runFor(120'500);

    Shown expectedSeconds;
    for (int minute = 0; minute < 2; ++minute) {
        for (int second = 0; second < 60; ++second)
            expectedSeconds.emplace_back(minute * 60'000 + second * 1000, seconds(second));
    }
    expectedSeconds.emplace_back(120'000, "00.00");
    EXPECT_EQ(shown("lblA(20)"), expectedSeconds);
    EXPECT_EQ(shown("lblB(12)"), expectedSeconds);
    EXPECT_EQ(shown("lblA(18)"), (Shown {{60'000, "38"}, {120'000, "39"}}));
    EXPECT_EQ(shown("lblB(10)"), (Shown {{60'000, "38"}, {120'000, "39"}}));
    // The hour is rewritten every minute, changed or not.
    EXPECT_EQ(shown("lblA(16)"), (Shown {{60'000, "14"}, {120'000, "14"}}));
    EXPECT_EQ(shown("lblB(8)"), (Shown {{60'000, "14"}, {120'000, "14"}}));

    // Main window first, clock window second; seconds label revealed at the start; nothing else
    // (date, zone, colours) touched.
    std::vector<std::string> expectedWrites {"lblA(20).Visible"};
    for (int minute = 0; minute < 2; ++minute) {
        for (int second = 0; second < 60; ++second) {
            expectedWrites.push_back("lblA(20).Caption");
            expectedWrites.push_back("lblB(12).Caption");
        }
        for (const char *write :
             {"lblA(18).Caption", "lblB(10).Caption", "lblA(16).Caption", "lblB(8).Caption"})
            expectedWrites.push_back(write);
    }
    expectedWrites.push_back("lblA(20).Caption");
    expectedWrites.push_back("lblB(12).Caption");
    EXPECT_EQ(log.writes(), expectedWrites);
    EXPECT_TRUE(program.frmDCF77.lblA(20).visible());

    // Events once per step, 61 steps a minute, and the clock window stayed hidden throughout.
    EXPECT_EQ(vp.events.processed - eventsBefore, 2 * 61 + 1);
    EXPECT_FALSE(program.frmZeit().isShown());
    EXPECT_EQ(program.frmZeit().lblB(12).caption(), "00.00");
    EXPECT_EQ(program.frmZeit().lblB(10).caption(), "39");
}

TEST_F(RunningClock, SleepsUntilEachStepIsDue)
{
    startAt(10, 20);
    runFor(60'500);
    ASSERT_FALSE(vp.time.sleepsUntil.empty());
    EXPECT_LE(vp.time.sleepsUntil.size(), 62u); // one sleep per step, no polling
    for (const auto &[from, deadline] : vp.time.sleepsUntil) {
        EXPECT_GT(deadline, from);
        EXPECT_LE(deadline - from, 1100);
        EXPECT_EQ((deadline - kStart) % 1000, 0) << "due times lie on the minute's schedule";
    }
}

TEST_F(RunningClock, UsesTheUsersDecimalSeparator)
{
    vp.desktop.separator = ",";
    startAt(8, 0);
    runFor(1500);
    EXPECT_EQ(shown("lblA(20)"), (Shown {{0, "00,00"}, {1000, "01,00"}}));
}

struct RolloverCase
{
    const char *name;
    int16_t hour;
    int16_t minute;
    const char *hourAfter;
    const char *minuteAfter;
};

class RunningClockRollover : public RunningClock, public ::testing::WithParamInterface<RolloverCase>
{
};

TEST_P(RunningClockRollover, AfterTheFirstMinute)
{
    const RolloverCase &c = GetParam();
    startAt(c.hour, c.minute);
    for (int index : {2, 3, 5, 7, 8, 11, 13, 15})
        program.frmDCF77.lblA(index).setCaption("date " + std::to_string(index));
    runFor(60'500);

    EXPECT_EQ(program.frmDCF77.lblA(16).caption(), c.hourAfter);
    EXPECT_EQ(program.frmZeit().lblB(8).caption(), c.hourAfter);
    EXPECT_EQ(program.frmDCF77.lblA(18).caption(), c.minuteAfter);
    EXPECT_EQ(program.frmZeit().lblB(10).caption(), c.minuteAfter);
    EXPECT_EQ(program.g.StdUebertrag, 0);
    for (int index : {2, 3, 5, 7, 8, 11, 13, 15})
        EXPECT_EQ(program.frmDCF77.lblA(index).caption(), "date " + std::to_string(index));
    const std::set<std::string> clockLabels {"lblA(16)", "lblA(18)", "lblA(20)",
                                             "lblB(8)",  "lblB(10)", "lblB(12)"};
    for (const PropertyLog::Entry &entry : log.entries)
        EXPECT_TRUE(clockLabels.contains(entry.control)) << entry.control;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunningClockRollover,
    ::testing::Values(RolloverCase {"Midnight", 23, 59, "00", "00"},
                      RolloverCase {"TenOClock", 9, 59, "10", "00"},
                      RolloverCase {"PlainMinute", 9, 5, "09", "06"},
                      RolloverCase {"MinuteOutOfRange", 14, 75, "15", "00"},
                      RolloverCase {"HourOutOfRangeKeptWithinTheHour", 30, 10, "30", "11"},
                      RolloverCase {"HourOutOfRangeWrapsAtTheNextHour", 30, 59, "00", "00"},
                      RolloverCase {"BothOutOfRange", 45, 85, "00", "00"}),
    [](const ::testing::TestParamInfo<RolloverCase> &param) {
        return std::string(param.param.name);
    });

TEST_F(RunningClock, StartShowsSecondZeroAtOnceAndKeepsTheDecodedTimeForAMinute)
{
    startAt(14, 37);
    program.frmDCF77.lblA(16).setCaption("14");
    program.frmDCF77.lblA(18).setCaption("37");
    runFor(59'500);
    ASSERT_FALSE(shown("lblA(20)").empty());
    EXPECT_EQ(shown("lblA(20)").front(), (std::pair<int64_t, std::string> {0, "00.00"}));
    EXPECT_EQ(shown("lblB(12)").front(), (std::pair<int64_t, std::string> {0, "00.00"}));
    EXPECT_TRUE(shown("lblA(16)").empty());
    EXPECT_TRUE(shown("lblA(18)").empty());
    EXPECT_EQ(program.frmDCF77.lblA(18).caption(), "37");
}

TEST_F(RunningClock, LateStepsCatchUpAndLaterOnesStayOnTime)
{
    startAt(12, 0);
    vp.at(kStart + 10'000, [this] { vp.time.sleep(5000); }); // a handler blocks in second 10
    runFor(60'500);

    Shown expected;
    for (int second = 0; second < 60; ++second) {
        const int64_t at = second >= 11 && second <= 15 ? 15'000 : second * 1000;
        expected.emplace_back(at, seconds(second));
    }
    expected.emplace_back(60'000, "00.00");
    EXPECT_EQ(shown("lblA(20)"), expected);
    EXPECT_EQ(shown("lblB(12)"), expected);
}

TEST_F(RunningClock, ADelayPastTheMinutesEndStaysInTheClock)
{
    startAt(12, 0);
    vp.at(kStart + 58'000, [this] { vp.time.sleep(4500); });
    runFor(66'000);

    Shown expected;
    for (int second = 0; second <= 58; ++second)
        expected.emplace_back(second * 1000, seconds(second));
    expected.emplace_back(62'500, "59.00");
    for (int second = 0; second <= 3; ++second)
        expected.emplace_back(62'500 + second * 1000, seconds(second));
    EXPECT_EQ(shown("lblA(20)"), expected);
    EXPECT_EQ(shown("lblA(18)"), (Shown {{62'500, "01"}}));
}

TEST_F(RunningClock, AHiddenClockWindowShowsTheCurrentTimeWhenOpened)
{
    startAt(16, 59);
    bool checked = false;
    vp.at(kStart + 65'500, [&] {
        program.frmDCF77.cmdHide.click();
        ClockWindow &window = program.frmZeit();
        checked = true;
        EXPECT_TRUE(window.isShown());
        EXPECT_EQ(window.lblB(8).caption(), "17");
        EXPECT_EQ(window.lblB(10).caption(), "00");
        EXPECT_EQ(window.lblB(12).caption(), "06.00");
    });
    runFor(68'500);
    EXPECT_TRUE(checked);
    // Still counting into the shown window.
    EXPECT_EQ(program.frmZeit().lblB(12).caption(), "08.00");
    EXPECT_FALSE(program.frmDCF77.isShown());
}

TEST_F(RunningClock, ExitStopsTheClockAtOnce)
{
    startAt(12, 0);
    vp.at(kStart + 5500, [this] { program.frmDCF77.cmdExit.click(); });
    vp.endAt(kStart + 100'000);
    EXPECT_THROW(RunClock(program), RoutineInterrupted);
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_EQ(vp.now(), kStart + 6000);
    EXPECT_EQ(vp.desktop.drawn.size(), vp.desktop.drawnAtQuit);
    EXPECT_EQ(program.frmDCF77.lblA(20).caption(), "06.00");
}

} // namespace
} // namespace dcf
