// The running clock in virtual time (the seconds on their schedule, minute and hour roll-over,
// late steps, Exit) and the clock window (Hide swaps to it at the top-left corner, its bars move
// it within the screen, a click swaps back).

#include "clock/clock_window_reactions.h"
#include "clock/running_clock.h"
#include "program/program.h"
#include "routine_bench.h"

#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace dcf::testing {
namespace {

using Captions = std::vector<std::pair<int64_t, std::string>>;

// Twelve days after the machine started, at an odd millisecond: no due time is a round number,
// and a single-precision time stamp would be off by tens of milliseconds. In seconds times 1000
// this count falls a hair short of itself, so a due time truncated instead of rounded would
// come a millisecond early.
constexpr int64_t kStart = 1'048'576'329;

class ClockTest : public ::testing::Test, public SecondWatcher
{
protected:
    void SetUp() override
    {
        vp.advanceTo(kStart);
        vp.desktop.drawn.clear();
    }

    /// Runs the clock from hour:minute, starting now, for `ms`.
    void run(int16_t hour, int16_t minute, int64_t ms)
    {
        bench.g.Stunde = hour;
        bench.g.Minute = minute;
        start = vp.now();
        vp.endAt(start + ms);
        EXPECT_THROW(RunClock(bench.clock(this)), ScriptExhausted);
    }

    void secondShown(const ShownSecond &second) override
    {
        due.emplace_back(second.second, second.dueMilliseconds - start);
    }

    /// The captions one label received, with their times after the start.
    Captions captions(const std::string &label) const
    {
        Captions result;
        for (const Drawn &entry : vp.desktop.of(label, Property::Caption))
            result.emplace_back(entry.at - start, entry.value);
        return result;
    }

    VirtualPlatform vp;
    RoutineBench bench {vp};
    int64_t start = kStart;
    /// Each second shown, with when it fell due after the start.
    std::vector<std::pair<int, int64_t>> due;
};

/// The clock window as the user works it, through the program.
class ClockWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { program.start(); }

    /// Presses Hide and checks the one state every opening ends in.
    ClockWindow &open()
    {
        program.mainWindow().cmdHide.click();
        ClockWindow &clock = program.clockWindow();
        EXPECT_EQ(
            std::tuple(clock.isShown(), program.mainWindow().isShown(), clock.left(), clock.top()),
            std::tuple(true, false, 0, 0));
        return clock;
    }

    VirtualPlatform vp;
    Program program {vp.platform(), vp.windows()};
};

/// Seconds 0 to 59 of a minute, second k shown at `due(k)` as "kk" + separator + "00".
template<typename Due> void addMinute(Captions &captions, const char *separator, Due due)
{
    for (int k = 0; k < 60; ++k)
        captions.emplace_back(
            due(k), std::string {char('0' + k / 10), char('0' + k % 10)} + separator + "00");
}

TEST_F(ClockTest, CountsOnScheduleIntoBothWindowsAndSleepsBetweenSteps)
{
    bench.frmDCF77.lblA(20).setVisible(false);
    run(14, 37, 120'500);

    Captions seconds;
    addMinute(seconds, ".", [](int s) { return s * 1000; });
    addMinute(seconds, ".", [](int s) { return 60'000 + s * 1000; });
    seconds.emplace_back(120'000, "00.00");
    EXPECT_EQ(captions("lblA(20)"), seconds);
    EXPECT_EQ(captions("lblB(12)"), seconds);
    EXPECT_TRUE(bench.frmDCF77.lblA(20).visible());
    for (const char *minute : {"lblA(18)", "lblB(10)"})
        EXPECT_EQ(captions(minute), (Captions {{60'000, "38"}, {120'000, "39"}})) << minute;
    for (const char *hour : {"lblA(16)", "lblB(8)"}) // every minute, changed or not
        EXPECT_EQ(captions(hour), (Captions {{60'000, "14"}, {120'000, "14"}})) << hour;
    EXPECT_FALSE(bench.frmZeit.isShown()); // written while hidden
    EXPECT_LE(vp.sleepsUntil.size(), 2u * 61 + 1) << "polls instead of sleeping to each step";
}

TEST_F(ClockTest, MinuteAndHourAdvanceAndWrap)
{
    // The start, then hh:mm after one and after two minutes.
    const std::tuple<int16_t, int16_t, std::string> table[]
        = {{23, 59, "00:00 00:01"}, {22, 59, "23:00 23:01"}, {9, 5, "09:06 09:07"},
           {10, 58, "10:59 11:00"}, {14, 75, "15:00 15:01"}, {30, 10, "30:11 30:12"},
           {30, 59, "00:00 00:01"}};
    for (const auto &[hour, minute, shown] : table) {
        vp.desktop.drawn.clear();
        run(hour, minute, 120'500);
        for (const auto &[h, m] : {std::pair {"lblA(16)", "lblA(18)"}, {"lblB(8)", "lblB(10)"}}) {
            std::string times;
            for (std::size_t k = 0; k < captions(h).size() && k < captions(m).size(); ++k)
                times += (k ? " " : "") + captions(h)[k].second + ":" + captions(m)[k].second;
            EXPECT_EQ(times, shown) << h;
        }
    }
}

TEST_F(ClockTest, LateStepsCatchUpWithinTheMinuteButADelayPastItsEndStays)
{
    vp.desktop.separator = ",";
    vp.at(kStart + 10'000, [this] { vp.sleep(5000); }); // a handler blocks in second 10
    vp.at(kStart + 58'000, [this] { vp.sleep(4500); }); // and in second 58
    run(0, 0, 64'000);

    Captions expected;
    addMinute(expected, ",", [](int k) -> int64_t {
        return k >= 11 && k <= 15 ? 15'000 : k == 59 ? 62'500 : k * 1000;
    });
    expected.insert(expected.end(), {{62'500, "00,00"}, {63'500, "01,00"}});
    EXPECT_EQ(captions("lblA(20)"), expected);
    EXPECT_EQ(captions("lblA(18)"), (Captions {{62'500, "01"}}));
    // Each second fell due on its place in the minute, however late it came; the next minute's
    // second 0 when the minute before had run its sixty seconds.
    std::vector<std::pair<int, int64_t>> expectedDue;
    for (int k = 0; k < 60; ++k)
        expectedDue.emplace_back(k, k * 1000);
    expectedDue.insert(expectedDue.end(), {{0, 60'000}, {1, 63'500}});
    EXPECT_EQ(due, expectedDue);
}

TEST_F(ClockTest, WindowOpensWithItsFixedTextsAndLeavesTheSharedCounter)
{
    bench.g.i = 17; // the reception's pulse index, or the decoder's reveal counter
    cmdHide_Click(bench.clock());
    ClockWindow &window = bench.frmZeit;
    EXPECT_TRUE(window.isShown());
    EXPECT_FALSE(bench.frmDCF77.isShown());
    std::string texts;
    for (int index = 0; index <= 12; ++index) {
        texts += window.lblB(index).caption() + "|";
        EXPECT_TRUE(window.lblB(index).visible()) << index;
    }
    EXPECT_EQ(texts, "Heute ist:||der||.| |.|||:||:||");
    EXPECT_EQ(bench.g.i, 17);
    EXPECT_EQ(vp.desktop.host("frmZeit")->refreshes, 1);
}

TEST_F(ClockWindowTest, SwapsBackOnAClickOrItsCloseButtonAndReopensAtTheTopLeft)
{
    vp.desktop.twipsPerPixel = 1; // see the value handed to the window exactly
    ClockWindow &window = open();
    window.hsc1.userSetValue(3000);
    window.vsc1.userSetValue(2000);
    EXPECT_EQ(window.left(), 3000);
    EXPECT_EQ(window.top(), 2000);

    window.click();
    EXPECT_TRUE(program.mainWindow().isShown());
    EXPECT_FALSE(window.isShown());

    open(); // the bars keep their values
    EXPECT_EQ(window.hsc1.value(), 3000);
    EXPECT_EQ(window.vsc1.value(), 2000);
    window.hsc1.arrowClick(+1);
    EXPECT_EQ(window.left(), 3100);
    EXPECT_EQ(window.top(), 0);

    window.closeRequest();
    EXPECT_TRUE(program.mainWindow().isShown());
    EXPECT_FALSE(window.isShown());
    EXPECT_FALSE(vp.desktop.quitRequested);
    program.mainWindow().closeRequest(); // the main window's: the same as Exit
    EXPECT_TRUE(program.ended());
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_TRUE(vp.desktop.host("frmZeit")->closed);
    program.mainWindow().txtComPort.setText("1");
    program.mainWindow().cmdStart.click(); // does nothing once the program has ended
    EXPECT_EQ(vp.serial.checks + vp.serial.opens, 0);
}

TEST_F(ClockWindowTest, WindowBarsReachTheScreenEdgeWithinTheirSixteenBitRange)
{
    // Outer size: 5115 x 2520 client area in a frame of 8 x 33 pixels.
    const int outerWidth = 5115 + 8 * 15;
    const int outerHeight = 2520 + 33 * 15;
    // The screen in pixels, the bars' largest values.
    const std::tuple<int, int, int, int> table[]
        = {{1920, 1080, 28800 - outerWidth, 16200 - outerHeight},
           {2560, 1440, 32767, 21600 - outerHeight},
           {7680, 4320, 32767, 32767},
           {300, 150, 0, 0}};
    for (const auto &[width, height, horizontal, vertical] : table) {
        vp.desktop.screenWidthTwips = static_cast<float>(width * 15);
        vp.desktop.screenHeightTwips = static_cast<float>(height * 15);
        ClockWindow &window = open();
        EXPECT_EQ(std::tuple(window.hsc1.maximum(), window.vsc1.maximum()),
                  std::tuple(horizontal, vertical))
            << width << " x " << height;
        window.click();
    }
}

} // namespace
} // namespace dcf::testing
