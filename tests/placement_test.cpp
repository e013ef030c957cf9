// Placement of the main window: the arithmetic, the two text conversions, the centred start-up and
// the reactions of the scroll bars, the position fields and the pointer.

#include "program/program.h"
#include "ui/number_text.h"
#include "ui/placement.h"
#include "virtual_platform.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace dcf {
namespace {

constexpr double kHuge = std::numeric_limits<double>::max();

TEST(CentredPosition, FloorsTowardsMinusInfinity)
{
    const struct
    {
        float screen, window;
        int16_t bar;
        double expected;
    } table[] = {
        // Window wider than the screen: -1687.5 goes down, not towards zero.
        {12000, 15375, 0, -1688},
        {12000, 15375, 1, -1687},
        // A single-precision sum would round 16777213.5 to 16777214 first.
        {33554430, 3, 0, 16777213},
    };
    for (const auto &c : table)
        EXPECT_EQ(centredPosition(c.screen, c.window, c.bar), c.expected) << c.screen;
}

TEST(NumberToText, IsPlainDecimalAndReadsBackAsTheSameFloat)
{
    for (const auto &[value, text] :
         {std::pair {-0.0f, "0"}, {0.1f, "0.1"}, {1e-5f, "0.00001"}, {1e10f, "10000000000"}})
        EXPECT_EQ(numberToText(value), text);

    for (const float value : {1.0f / 3, -2.0f / 3, 123456.79f, 3e38f, 1e-7f,
                              std::numeric_limits<float>::denorm_min()}) {
        const std::string text = numberToText(value);
        EXPECT_EQ(text.find_first_of("eE, "), std::string::npos) << text;
        EXPECT_EQ(static_cast<float>(textToNumber(text)), value) << text;
    }
}

TEST(TextToNumber, ReadsLeniently)
{
    const std::pair<const char *, double> table[]
        = {{"-1095", -1095}, {"12abc", 12},      {" 2 880", 2880},
           {"1,5", 1},       {".5", 0.5},        {"1.2.3", 1.2},
           {"- 5", -5},      {"\t1\n2", 12},     {"5-3", 5},
           {"", 0},          {"-", 0},           {"--5", 0},
           {".", 0},         {"1e3", 1000},      {"2E-2", 0.02},
           {"1 e 3", 1000},  {"1e+", 1},         {"e3", 0},
           {"1e39", 1e39},   {"-1e400", -kHuge}, {"1e99999999999999999999999", kHuge},
           {"1e-400", 0},    {"0e999999", 0},    {"+100", 100},
           {"+ 7", 7},       {"+-1", 0},         {"1e+2", 100}};
    for (const auto &[text, expected] : table)
        EXPECT_DOUBLE_EQ(textToNumber(text), expected) << '"' << text << '"';
    // Beyond double: saturated, never infinite, also after hundreds of digits.
    EXPECT_EQ(textToNumber(std::string(400, '9')), kHuge);
    EXPECT_DOUBLE_EQ(textToNumber("0." + std::string(400, '0') + "1e405"), 10000);
}

/// The program on a fake desktop of the size used in the examples.
class PlacementReactions : public ::testing::Test
{
protected:
    void start(float twipsPerPixel = 15)
    {
        vp.desktop.screenWidthTwips = 19200;
        vp.desktop.screenHeightTwips = 15360;
        vp.desktop.twipsPerPixel = twipsPerPixel;
        program.start();
    }

    testing::VirtualPlatform vp;
    Program program {vp.platform(), vp.windows()};
    MainWindow &window = program.mainWindow();
};

TEST_F(PlacementReactions, StartUpCentresTheWindowAndLeavesEverythingElseClear)
{
    start();

    EXPECT_EQ(window.txtLeft.text(), "1905");
    EXPECT_EQ(window.txtTop.text(), "2475");
    EXPECT_EQ(window.left(), 1905);
    EXPECT_EQ(window.top(), 2475);
    EXPECT_TRUE(window.isShown());
    for (const Control *control : window.controls()) {
        const auto *box = dynamic_cast<const TextBox *>(control);
        if (box && box != &window.txtLeft && box != &window.txtTop) {
            EXPECT_EQ(box->text(), "") << box->displayName();
        }
        EXPECT_TRUE(control->name() != "lblA" || !control->visible()) << control->displayName();
    }
    EXPECT_EQ(vp.serial.opens, 0);
    EXPECT_FALSE(program.clockWindowLoaded());
}

TEST_F(PlacementReactions, BarsShiftFromTheCentreAndTheFieldShowsTheRoundedPosition)
{
    start();
    window.HScroll1.userSetValue(-3000);
    EXPECT_EQ(window.left(), -1095);
    EXPECT_EQ(window.txtLeft.text(), "-1095");
    window.VScroll1.trackClick(+1); // 2575 twips lies between pixels 171 and 172
    EXPECT_EQ(window.top(), 172 * 15);
    EXPECT_EQ(window.txtTop.text(), "2580");
}

TEST_F(PlacementReactions, TypingMovesTheWindowAtEveryKeystroke)
{
    start(1);
    std::vector<float> positions;
    for (const char *typed : {"2", "28", "288", "2880"}) {
        window.txtLeft.setText(typed);
        positions.push_back(window.left());
    }
    EXPECT_EQ(positions, (std::vector<float> {2, 28, 288, 2880}));

    window.txtTop.setText("-");
    EXPECT_EQ(window.top(), 0);
    window.txtTop.setText("+100");
    EXPECT_EQ(window.top(), 100);
    window.txtTop.setText("12abc");
    EXPECT_EQ(window.top(), 12);
    EXPECT_EQ(window.txtTop.text(), "12abc"); // the field keeps what was typed
    EXPECT_EQ(window.HScroll1.value(), 0);
    // Beyond any screen: the window stops at the desktop's edge, nothing fails.
    window.txtTop.setText("-1e400");
    EXPECT_EQ(window.top(), -32768);
}

TEST_F(PlacementReactions, PointerMoveCopiesTheActualPosition)
{
    start(1);
    window.txtLeft.setText("12abc");
    window.setTop(700); // moved by other means: the field lags behind
    EXPECT_EQ(window.txtTop.text(), "2475");

    window.mouseMove();
    EXPECT_EQ(window.txtLeft.text(), "12");
    EXPECT_EQ(window.txtTop.text(), "700");
}

} // namespace
} // namespace dcf
