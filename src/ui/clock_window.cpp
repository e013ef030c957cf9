#include "ui/clock_window.h"

#include <array>

namespace dcf {

namespace {

constexpr Color kLabelBackground = Color::rgb(128, 64, 0);
constexpr Color kLabelText = Color::rgb(255, 255, 128);

struct ClockLabel
{
    const char *caption;
    int left;
    int top;
    int width;
    int height;
    double points;
};

constexpr std::array<ClockLabel, 13> kLabels {{
    {"Heute ist:", 60, 60, 2055, 495, 21.75},
    {"", 2160, 60, 2475, 495, 21.75},
    {"der", 660, 660, 795, 495, 21.75},
    {"", 1500, 660, 495, 495, 21.75},
    {".", 2040, 660, 135, 495, 21.75},
    {" ", 2220, 660, 495, 495, 21.75},
    {".", 2760, 660, 135, 495, 21.75},
    {"", 2940, 660, 1035, 495, 21.75},
    {"", 780, 1320, 795, 735, 36},
    {":", 1620, 1320, 255, 735, 36},
    {"", 1920, 1320, 795, 735, 36},
    {":", 2760, 1320, 255, 735, 36},
    {"", 3060, 1320, 795, 735, 36},
}};

// Arrow click 100 twips, track click 1000; the maxima are set at each opening.
constexpr ScrollBar::Range kMoveRange {0, 32767, 100, 1000, 0};

} // namespace

ClockWindow::ClockWindow()
    : Window("frmZeit",
             {"Zeit von DCF77", 5115, 2520, colors::kDarkRedBrown, {"Arial", 8.25, false}})
    , vsc1(*this, Control::Kind::VScrollBar, "vsc1", -1, ScrollBar::designAt({4740, 60, 255, 1995}),
           kMoveRange)
    , hsc1(*this, Control::Kind::HScrollBar, "hsc1", -1, ScrollBar::designAt({60, 2160, 4575, 255}),
           kMoveRange)
{
    for (int index = 0; index < static_cast<int>(kLabels.size()); ++index) {
        const ClockLabel &label = kLabels[static_cast<std::size_t>(index)];
        lblB.append(*this, "lblB", index,
                    Control::Design {{label.left, label.top, label.width, label.height},
                                     {"Arial", label.points, true},
                                     kLabelBackground,
                                     kLabelText,
                                     Alignment::Left,
                                     false},
                    label.caption);
    }
}

} // namespace dcf
