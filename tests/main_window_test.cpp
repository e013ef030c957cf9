// The main window's control set: the values that are easy to get wrong when laying it out.

#include "ui/main_window.h"

#include <cctype>
#include <gtest/gtest.h>

namespace dcf {
namespace {

const Control *findControl(const Window &window, const std::string &displayName)
{
    for (const Control *control : window.controls()) {
        if (control->displayName() == displayName)
            return control;
    }
    return nullptr;
}

std::string captionOf(const Control &control)
{
    if (const auto *label = dynamic_cast<const Label *>(&control))
        return label->caption();
    if (const auto *option = dynamic_cast<const OptionButton *>(&control))
        return option->caption();
    if (const auto *check = dynamic_cast<const CheckBox *>(&control))
        return check->caption();
    if (const auto *button = dynamic_cast<const CommandButton *>(&control))
        return button->caption();
    return "<no caption>";
}

struct CaptionCase
{
    const char *control;
    const char *caption;
};

class MainWindowCaption : public ::testing::TestWithParam<CaptionCase>
{
};

TEST_P(MainWindowCaption, IsVerbatim)
{
    const MainWindow window;
    const Control *control = findControl(window, GetParam().control);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(captionOf(*control), GetParam().caption);
}

INSTANTIATE_TEST_SUITE_P(
    Design, MainWindowCaption,
    ::testing::Values(
        CaptionCase {"Label1", "Puls-Zähler"}, CaptionCase {"Label2", "Puls-Länge [s]"},
        CaptionCase {"Label12(0)", "Pausen-Zähler"},
        CaptionCase {"Label8", "Impuls <       30 [ms]"},
        CaptionCase {"Label9", "Impuls >     250 [ms]"},
        CaptionCase {"Label14", "Pause      < 58 Pulse"},
        CaptionCase {"Label11", "Pause >   1500 [ms]"}, CaptionCase {"optPuls02", "        fertig"},
        CaptionCase {"lblA(1)", "Im Moment haben wir die Mitteleuropäische"},
        CaptionCase {"lblComPort", "ComPort No."},
        CaptionCase {"Label13(59)", "00 Minutenbeginn --> immer \"0\""},
        CaptionCase {"Label13(2)", "03 (Wetter"}, CaptionCase {"Label13(27)", "28 Minute Prüfbit"},
        CaptionCase {"Label13(24)", "25 Minute         10"},
        CaptionCase {"Label13(56)", "57 Jahr           80"},
        CaptionCase {"Label13(58)", "59 Pause, kein Signal"}));

TEST(MainWindowDesign, BitCaptionsNameTheirSecondAndAlignTheWeights)
{
    const MainWindow window;
    for (int index = 0; index < 60; ++index) {
        const std::string &caption = window.Label13(index).caption();
        const int second = (index + 1) % 60;
        const std::string twoDigits {char('0' + second / 10), char('0' + second % 10)};
        EXPECT_EQ(caption.substr(0, 2), twoDigits) << "Label13(" << index << ")";
        // A caption that ends in a weight ends it in column 20 (the fixed-pitch font lines
        // them up).
        if (std::isdigit(static_cast<unsigned char>(caption.back()))) {
            EXPECT_EQ(caption.size(), 20u) << caption;
        }
    }
}

TEST(MainWindowDesign, EachBitCaptionStandsBesideItsBox)
{
    const MainWindow window;
    for (int second = 0; second < 60; ++second) {
        const Rect box = window.chkPuls(second).geometry();
        const Rect caption = window.Label13((second + 59) % 60).geometry();
        EXPECT_EQ(caption.top, box.top) << "second " << second;
        EXPECT_EQ(caption.left, box.left + 360) << "second " << second;
        EXPECT_EQ(box.width, 255);
        EXPECT_EQ(box.height, 255);
    }
    EXPECT_EQ(window.Label13(0).geometry().width, 3495);
    EXPECT_EQ(window.Label13(19).geometry().width, 3495);
    EXPECT_EQ(window.Label13(20).geometry().width, 2295);
    EXPECT_EQ(window.Label13(58).geometry().width, 2295);
    EXPECT_EQ(window.Label13(59).geometry().width, 3495);
}

struct BoxPosition
{
    int second;
    int left;
    int top;
};

class BitBoxPosition : public ::testing::TestWithParam<BoxPosition>
{
};

TEST_P(BitBoxPosition, FollowsTheGroupLayout)
{
    const MainWindow window;
    const Rect box = window.chkPuls(GetParam().second).geometry();
    EXPECT_EQ(box.left, GetParam().left);
    EXPECT_EQ(box.top, GetParam().top);
}

// Group starts, group ends and the two odd ones out (second 0 on top, 59 at the bottom).
INSTANTIATE_TEST_SUITE_P(
    Design, BitBoxPosition,
    ::testing::Values(BoxPosition {0, 8160, 120}, BoxPosition {1, 8160, 600},
                      BoxPosition {14, 8160, 4500}, BoxPosition {15, 8160, 4980},
                      BoxPosition {21, 8160, 6960}, BoxPosition {28, 8160, 9060},
                      BoxPosition {59, 8160, 9540}, BoxPosition {29, 12240, 120},
                      BoxPosition {36, 12240, 2400}, BoxPosition {42, 12240, 4380},
                      BoxPosition {45, 12240, 5460}, BoxPosition {50, 12240, 7140},
                      BoxPosition {58, 12240, 9540}));

TEST(MainWindowDesign, FontsColoursAndAlignments)
{
    const MainWindow window;
    EXPECT_EQ(window.txtZähl.font(), (Font {"Courier New", 20.25, true}));
    EXPECT_EQ(window.txtZähl.backColor(), colors::kBlack);
    EXPECT_EQ(window.txtZähl.foreColor(), colors::kWhite);
    EXPECT_EQ(window.txtZähl.geometry(), (Rect {2520, 120, 1995, 495}));

    EXPECT_EQ(window.Label1.font(), (Font {"Arial", 12, true}));
    EXPECT_EQ(window.Label1.backColor(), Color(0xFFFFC0));
    EXPECT_EQ(window.Label1.alignment(), Alignment::Right);
    EXPECT_EQ(window.Label8.alignment(), Alignment::Left);
    EXPECT_EQ(window.Label12(1).alignment(), Alignment::Right);
    EXPECT_EQ(window.Label12(2).alignment(), Alignment::Left);

    EXPECT_EQ(window.optPuls01.font(), (Font {"Arial", 11.25, true}));
    EXPECT_EQ(window.txtSign.font(), (Font {"Courier New", 21.75, true}));
    EXPECT_TRUE(window.txtSign.backColor().isSystem());
    EXPECT_EQ(window.lblComPort.backColor(), Color(0xC0E0FF));
    EXPECT_EQ(window.Label13(30).font(), (Font {"Courier New", 9, true}));

    EXPECT_EQ(window.lblA(15).font(), (Font {"Arial", 12, true}));
    EXPECT_EQ(window.lblA(16).font(), (Font {"Arial", 15.75, true}));
    EXPECT_EQ(window.lblA(3).alignment(), Alignment::Right);
    EXPECT_EQ(window.lblA(9).geometry(), (Rect {5100, 8760, 1515, 315}));
}

TEST(MainWindowDesign, DatePanelStartsHidden)
{
    const MainWindow window;
    ASSERT_EQ(window.lblA.size(), 21);
    for (int index = 0; index < window.lblA.size(); ++index)
        EXPECT_FALSE(window.lblA(index).visible()) << "lblA(" << index << ")";
    EXPECT_TRUE(window.Label13(0).visible());
}

TEST(MainWindowDesign, WindowAndPlacementBars)
{
    const MainWindow window;
    EXPECT_EQ(window.name(), "frmDCF77");
    EXPECT_EQ(window.design().caption, "DCF77");
    EXPECT_EQ(window.design().clientWidth, 15270);
    EXPECT_EQ(window.design().clientHeight, 9915);
    EXPECT_EQ(window.design().backColor, Color::rgb(255, 224, 192));
    EXPECT_EQ(window.design().font, (Font {"Courier New", 8.25, false}));

    for (const ScrollBar *bar : {&window.HScroll1, &window.VScroll1}) {
        EXPECT_EQ(bar->minimum(), -3000);
        EXPECT_EQ(bar->maximum(), 3000);
        EXPECT_EQ(bar->smallChange(), 1);
        EXPECT_EQ(bar->largeChange(), 100);
        EXPECT_EQ(bar->value(), 0);
    }
    EXPECT_EQ(window.VScroll1.kind(), Control::Kind::VScrollBar);
}

} // namespace
} // namespace dcf
