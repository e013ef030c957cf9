// The main window: its texts and bit rows, which are easy to get wrong when laying the window out,
// the behaviour of its controls, and its placement.

#include "platform/twips.h"
#include "program/program.h"
#include "ui/main_window.h"
#include "ui/number_text.h"
#include "ui/placement.h"
#include "virtual_platform.h"

#include <array>
#include <cctype>
#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace dcf {
namespace {

TEST(MainWindowDesign, CaptionsAreVerbatimBlanksIncluded)
{
    const MainWindow w;
    const std::pair<const Label *, const char *> labels[] = {
        {&w.Label2, "Puls-Länge [s]"},
        {&w.Label8, "Impuls <       30 [ms]"},
        {&w.Label14, "Pause      < 58 Pulse"},
        {&w.lblA(1), "Im Moment haben wir die Mitteleuropäische"},
        {&w.Label13(59), "00 Minutenbeginn --> immer \"0\""},
        {&w.Label13(2), "03 (Wetter"},
        {&w.Label13(27), "28 Minute Prüfbit"},
        {&w.Label13(56), "57 Jahr           80"},
    };
    for (const auto &[label, caption] : labels)
        EXPECT_EQ(label->caption(), caption) << label->displayName();
    // Each bit's caption opens with its second; a weight ends in column 20, where the
    // fixed-pitch font lines them up.
    for (int second = 0; second < 60; ++second) {
        const std::string &caption = w.Label13((second + 59) % 60).caption();
        EXPECT_EQ(std::stoi(caption.substr(0, 2)), second) << caption;
        EXPECT_TRUE(!std::isdigit(static_cast<unsigned char>(caption.back()))
                    || caption.size() == 20)
            << caption;
    }
}

/// Where a control appears on a screen of 96 dpi, in pixels: left, top, width, height.
using Pixels = std::array<int, 4>;

Pixels shownAt(const Control &control)
{
    const auto pixels = [](auto twips) {
        return twipsToPixels(twips, 15);
    }; // at 96 dpi
    const Rect r = control.geometry();
    return {pixels(r.left), pixels(r.top), pixels(r.width), pixels(r.height)};
}

TEST(MainWindowDesign, TheUserFindsEachControlWhereItWasDesigned)
{
    const MainWindow w;
    // Hand-checked against the design, to the pixel.
    const std::pair<const Control *, Pixels> placed[] = {
        // The command row.
        {&w.cmdStart, {8, 628, 81, 25}},
        {&w.cmdHide, {96, 628, 81, 25}},
        {&w.cmdExit, {184, 628, 81, 25}},
        {&w.lblComPort, {296, 632, 113, 21}},
        {&w.txtComPort, {412, 628, 29, 24}},
        // Bit boxes and, 24 pixels to their right, their captions: where the groups begin and
        // end in both columns.
        {&w.chkPuls(0), {544, 8, 17, 17}},
        {&w.Label13(59), {568, 8, 233, 17}},
        {&w.chkPuls(1), {544, 40, 17, 17}},
        {&w.Label13(0), {568, 40, 233, 17}},
        {&w.chkPuls(14), {544, 300, 17, 17}},
        {&w.chkPuls(15), {544, 332, 17, 17}},
        {&w.Label13(19), {568, 432, 233, 17}},
        {&w.chkPuls(21), {544, 464, 17, 17}},
        {&w.Label13(20), {568, 464, 153, 17}},
        {&w.chkPuls(28), {544, 604, 17, 17}},
        {&w.chkPuls(59), {544, 636, 17, 17}},
        {&w.Label13(58), {568, 636, 153, 17}},
        {&w.chkPuls(29), {816, 8, 17, 17}},
        {&w.Label13(28), {840, 8, 153, 17}},
        {&w.chkPuls(58), {816, 636, 17, 17}},
        {&w.Label13(57), {840, 636, 153, 17}},
    };
    for (const auto &[control, pixels] : placed)
        EXPECT_EQ(shownAt(*control), pixels) << control->displayName();
}

TEST(MainWindowControls, AGreyBitTicksAndBarsStayInTheirRange)
{
    MainWindow window;
    CheckBox &box = window.chkPuls(17);
    box.setValue(CheckBox::Grayed);
    box.click();
    EXPECT_EQ(box.value(), CheckBox::Checked);
    EXPECT_THROW(box.setValue(3), std::invalid_argument);

    int changes = 0;
    window.HScroll1.onChange = [&] {
        ++changes;
    };
    window.HScroll1.userSetValue(-5000);
    window.HScroll1.arrowClick(-1);
    EXPECT_EQ(window.HScroll1.value(), -3000);
    EXPECT_EQ(changes, 1) << "reports only changes";
}

// ---- Placement: the arithmetic, the two text conversions, the centred start-up and the
// reactions of the scroll bars, the position fields and the pointer ----

constexpr double kHuge = std::numeric_limits<double>::max();

TEST(CentredPosition, FloorsTowardsMinusInfinity)
{
    // Screen and window widths, the bar's value, the position.
    const std::tuple<float, float, int16_t, double> table[] = {
        // Window wider than the screen: -1687.5 goes down, not towards zero.
        {12000, 15375, 0, -1688},
        {12000, 15375, 1, -1687},
        // A single-precision sum would round 16777213.5 to 16777214 first.
        {33554430, 3, 0, 16777213},
    };
    for (const auto &[screen, window, bar, position] : table)
        EXPECT_EQ(centredPosition(screen, window, bar), position) << screen << " " << bar;
}

TEST(NumberText, WrittenAsPlainDecimalsThatReadBackAndReadLeniently)
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

    EXPECT_EQ(std::tuple(window.txtLeft.text(), window.txtTop.text(), window.left(), window.top()),
              std::tuple("1905", "2475", 1905, 2475));
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
    window.VScroll1.trackClick(+1); // 2575 twips lies between pixels 171 and 172
    EXPECT_EQ(std::tuple(window.left(), window.txtLeft.text(), window.top(), window.txtTop.text()),
              std::tuple(-1095, "-1095", 172 * 15, "2580"));
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

    // Beyond any screen the window stops at the desktop's edge, nothing fails.
    for (const auto &[typed, top] :
         {std::pair {"-", 0}, {"+100", 100}, {"-1e400", -32768}, {"12abc", 12}}) {
        window.txtTop.setText(typed);
        EXPECT_EQ(window.top(), top) << typed;
    }
    EXPECT_EQ(window.txtTop.text(), "12abc"); // the field keeps what was typed
    EXPECT_EQ(window.HScroll1.value(), 0);
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
