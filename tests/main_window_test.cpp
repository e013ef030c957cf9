// The main window: its texts and bit rows, which are easy to get wrong when laying the window out,
// and the behaviour of its controls.

#include "platform/twips.h"
#include "ui/main_window.h"

#include <array>
#include <cctype>
#include <gtest/gtest.h>
#include <stdexcept>

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
    constexpr double kTwipsPerPixelAt96Dpi = 15;
    const Rect r = control.geometry();
    return {twipsToPixels(r.left, kTwipsPerPixelAt96Dpi),
            twipsToPixels(r.top, kTwipsPerPixelAt96Dpi),
            twipsToPixels(r.width, kTwipsPerPixelAt96Dpi),
            twipsToPixels(r.height, kTwipsPerPixelAt96Dpi)};
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

} // namespace
} // namespace dcf
