#include "clock/clock_window.h"
#include "ui/program.h"
#include "virtual_platform.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>

namespace dcf {
namespace {

using testing::VirtualPlatform;

class ClockWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { program.start(); }

    ClockWindow &clock() { return program.frmZeit(); }
    bool mainShown() const { return program.frmDCF77.isShown(); }

    VirtualPlatform vp;
    Program program {vp.platform()};
};

TEST_F(ClockWindowTest, OpenedBeforeAnyDecodeShowsTheFixedTextsAtTheTopLeft)
{
    program.g.i = 17; // the reception's pulse index must survive a Hide
    program.frmDCF77.cmdHide.click();

    EXPECT_FALSE(mainShown());
    ASSERT_TRUE(clock().isShown());
    EXPECT_EQ(clock().left(), 0);
    EXPECT_EQ(clock().top(), 0);
    EXPECT_EQ(program.g.i, 17);

    const std::string texts[]
        = {"Heute ist:", "", "der", "", ".", " ", ".", "", "", ":", "", ":", ""};
    for (int index = 0; index <= 12; ++index) {
        EXPECT_EQ(clock().lblB(index).caption(), texts[index]) << "lblB(" << index << ")";
        EXPECT_TRUE(clock().lblB(index).visible()) << "lblB(" << index << ")";
    }
    // Drawn before the handler returns.
    EXPECT_EQ(vp.desktop.host("frmZeit")->refreshes, 1);
}

TEST_F(ClockWindowTest, HidePaintsTheLabelsAfterTheWindowIsUp)
{
    program.frmDCF77.cmdHide.click();
    const auto &drawn = vp.desktop.drawn;
    const auto at = [&](const std::string &entry) {
        return std::find(drawn.begin(), drawn.end(), entry) - drawn.begin();
    };
    EXPECT_LT(at("frmDCF77.hide"), at("frmZeit.show"));
    EXPECT_LT(at("frmZeit.show"), at("vsc1.Maximum"));
    EXPECT_LT(at("vsc1.Maximum"), at("hsc1.Maximum"));
    EXPECT_LT(at("hsc1.Maximum"), at("lblB(0).Visible"));
    EXPECT_LT(at("lblB(0).Visible"), at("lblB(12).Visible"));
}

TEST_F(ClockWindowTest, ExactlyOneWindowIsShownAfterEachSwap)
{
    for (int round = 0; round < 3; ++round) {
        program.frmDCF77.cmdHide.click();
        EXPECT_FALSE(mainShown());
        EXPECT_TRUE(clock().isShown());
        clock().click();
        EXPECT_TRUE(mainShown());
        EXPECT_FALSE(clock().isShown());
    }
}

TEST_F(ClockWindowTest, ReopenedAfterAMoveStartsAtTheTopLeftWithTheBarsKept)
{
    vp.desktop.twipsPerPixel = 1; // so the value handed to the window is seen exactly
    program.frmDCF77.cmdHide.click();
    clock().hsc1.userSetValue(3000);
    clock().vsc1.userSetValue(2000);
    EXPECT_EQ(clock().left(), 3000);
    EXPECT_EQ(clock().top(), 2000);

    clock().click();
    program.frmDCF77.cmdHide.click();
    EXPECT_EQ(clock().left(), 0);
    EXPECT_EQ(clock().top(), 0);
    EXPECT_EQ(clock().hsc1.value(), 3000);
    EXPECT_EQ(clock().vsc1.value(), 2000);

    clock().hsc1.arrowClick(+1);
    EXPECT_EQ(clock().left(), 3100);
    EXPECT_EQ(clock().top(), 0);
    clock().vsc1.trackClick(-1);
    EXPECT_EQ(clock().top(), 1000);
    EXPECT_EQ(clock().left(), 3100);
}

TEST_F(ClockWindowTest, TheMainWindowComesBackWhereItWas)
{
    program.frmDCF77.setLeft(4500);
    program.frmDCF77.setTop(3000);
    const float left = program.frmDCF77.left();
    const float top = program.frmDCF77.top();
    program.frmDCF77.cmdHide.click();
    clock().hsc1.userSetValue(5000);
    clock().click();
    EXPECT_EQ(program.frmDCF77.left(), left);
    EXPECT_EQ(program.frmDCF77.top(), top);
}

TEST_F(ClockWindowTest, PendingEventsRunBeforeEachSwap)
{
    // A click already waiting is handled first, while the windows are still as they were.
    bool mainWasShown = false;
    vp.at(0, [&] { mainWasShown = mainShown(); });
    program.frmDCF77.cmdHide.click();
    EXPECT_TRUE(mainWasShown);

    bool clockWasShown = false;
    vp.at(0, [&] { clockWasShown = clock().isShown(); });
    clock().click();
    EXPECT_TRUE(clockWasShown);
}

TEST_F(ClockWindowTest, ExitWhileHideProcessesEventsShowsNothing)
{
    vp.at(0, [&] { program.frmDCF77.cmdExit.click(); });
    program.frmDCF77.cmdHide.click();
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_EQ(vp.desktop.drawn.size(), vp.desktop.drawnAtQuit);
    EXPECT_FALSE(program.clockWindowExists() && clock().isShown());
}

struct ScreenCase
{
    const char *name;
    int widthPixels;
    int heightPixels;
    /// Expected maxima; -1 means "screen minus the window's outer size".
    int horizontal;
    int vertical;
};

class ClockWindowScreen : public ClockWindowTest, public ::testing::WithParamInterface<ScreenCase>
{
};

TEST_P(ClockWindowScreen, BarsReachTheScreenEdgeWithinTheirRange)
{
    const ScreenCase &c = GetParam();
    vp.desktop.screenWidthTwips = static_cast<float>(c.widthPixels) * 15;
    vp.desktop.screenHeightTwips = static_cast<float>(c.heightPixels) * 15;
    program.frmDCF77.cmdHide.click();

    const auto roomOr = [](int expected, float screen, float window) {
        return expected >= 0 ? expected : static_cast<int>(screen - window);
    };
    EXPECT_EQ(clock().hsc1.maximum(),
              roomOr(c.horizontal, vp.desktop.screenWidthTwips, clock().width()));
    EXPECT_EQ(clock().vsc1.maximum(),
              roomOr(c.vertical, vp.desktop.screenHeightTwips, clock().height()));

    // Moving to the far end keeps the window on the screen.
    clock().hsc1.userSetValue(32767);
    clock().vsc1.userSetValue(32767);
    EXPECT_LE(clock().left() + clock().width(),
              std::max(vp.desktop.screenWidthTwips, clock().width()));
    EXPECT_LE(clock().top() + clock().height(),
              std::max(vp.desktop.screenHeightTwips, clock().height()));
}

INSTANTIATE_TEST_SUITE_P(Screens, ClockWindowScreen,
                         ::testing::Values(ScreenCase {"FullHd", 1920, 1080, -1, -1},
                                           ScreenCase {"WideBeyondSixteenBits", 2560, 1440, 32767,
                                                       -1},
                                           ScreenCase {"HugeBothWays", 7680, 4320, 32767, 32767},
                                           ScreenCase {"SmallerThanTheWindow", 300, 150, 0, 0}),
                         [](const ::testing::TestParamInfo<ScreenCase> &param) {
                             return std::string(param.param.name);
                         });

TEST_F(ClockWindowTest, FullHdMaximaAreTheRoomLeftBesideTheWindow)
{
    program.frmDCF77.cmdHide.click();
    // 5115 x 2520 client area in a frame of 8 x 33 pixels.
    EXPECT_EQ(clock().hsc1.maximum(), 28800 - (5115 + 8 * 15));
    EXPECT_EQ(clock().vsc1.maximum(), 16200 - (2520 + 33 * 15));
}

} // namespace
} // namespace dcf
