// The clock window: Hide swaps to it at the top-left corner, its bars move it within the screen,
// a click swaps back.

#include "program/program.h"
#include "virtual_platform.h"

#include <gtest/gtest.h>
#include <string>

namespace dcf {
namespace {

class ClockWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { program.start(); }

    /// Presses Hide and checks the one state every opening ends in.
    ClockWindow &open()
    {
        program.frmDCF77.cmdHide.click();
        ClockWindow &window = program.frmZeit();
        EXPECT_TRUE(window.isShown());
        EXPECT_FALSE(program.frmDCF77.isShown());
        EXPECT_EQ(window.left(), 0);
        EXPECT_EQ(window.top(), 0);
        return window;
    }

    testing::VirtualPlatform vp;
    Program program {vp.platform()};
};

TEST_F(ClockWindowTest, OpenedBeforeAnyDecodeShowsItsFixedTextsAndLeavesTheSharedCounter)
{
    program.g.i = 17; // the reception's pulse index, or the decoder's reveal counter
    ClockWindow &window = open();
    std::string texts;
    for (int index = 0; index <= 12; ++index) {
        texts += window.lblB(index).caption() + "|";
        EXPECT_TRUE(window.lblB(index).visible()) << index;
    }
    EXPECT_EQ(texts, "Heute ist:||der||.| |.|||:||:||");
    EXPECT_EQ(program.g.i, 17);
    EXPECT_EQ(vp.desktop.host("frmZeit")->refreshes, 1);
}

TEST_F(ClockWindowTest, ReopensAtTheTopLeftWhileTheBarsKeepTheirValues)
{
    vp.desktop.twipsPerPixel = 1; // see the value handed to the window exactly
    ClockWindow &window = open();
    window.hsc1.userSetValue(3000);
    window.vsc1.userSetValue(2000);
    EXPECT_EQ(window.left(), 3000);
    EXPECT_EQ(window.top(), 2000);

    window.click();
    EXPECT_TRUE(program.frmDCF77.isShown());
    EXPECT_FALSE(window.isShown());

    open();
    EXPECT_EQ(window.hsc1.value(), 3000);
    EXPECT_EQ(window.vsc1.value(), 2000);
    window.hsc1.arrowClick(+1);
    EXPECT_EQ(window.left(), 3100);
    EXPECT_EQ(window.top(), 0);
}

TEST_F(ClockWindowTest, BarsReachTheScreenEdgeWithinTheirSixteenBitRange)
{
    // Outer size: 5115 x 2520 client area in a frame of 8 x 33 pixels.
    const int outerWidth = 5115 + 8 * 15;
    const int outerHeight = 2520 + 33 * 15;
    const struct
    {
        int widthPixels, heightPixels, horizontal, vertical;
    } table[] = {
        {1920, 1080, 28800 - outerWidth, 16200 - outerHeight},
        {2560, 1440, 32767, 21600 - outerHeight},
        {7680, 4320, 32767, 32767},
        {300, 150, 0, 0},
    };
    for (const auto &c : table) {
        vp.desktop.screenWidthTwips = static_cast<float>(c.widthPixels * 15);
        vp.desktop.screenHeightTwips = static_cast<float>(c.heightPixels * 15);
        ClockWindow &window = open();
        EXPECT_EQ(window.hsc1.maximum(), c.horizontal) << c.widthPixels;
        EXPECT_EQ(window.vsc1.maximum(), c.vertical) << c.heightPixels;
        window.click();
    }
}

TEST_F(ClockWindowTest, ClosingAWindowFromItsFrameSwapsBackOrEnds)
{
    ClockWindow &window = open();
    window.closeRequest(); // the clock window's close button: back to the main window
    EXPECT_TRUE(program.frmDCF77.isShown());
    EXPECT_FALSE(window.isShown());
    EXPECT_FALSE(vp.desktop.quitRequested);

    program.frmDCF77.closeRequest(); // the main window's: the same as Exit
    EXPECT_TRUE(program.ended());
    EXPECT_TRUE(vp.desktop.quitRequested);
    EXPECT_TRUE(vp.desktop.host("frmZeit")->closed);
}

} // namespace
} // namespace dcf
