#include "clock/clock_window.h"

#include "ui/program.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace dcf {

namespace {

constexpr Color kClockBackground {0x404080}; // RGB(128, 64, 64)
constexpr Color kLabelBackground {0x004080}; // RGB(128, 64, 0)
constexpr Color kLabelText {0x80FFFF}; // RGB(255, 255, 128)

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

// How far the window can move before its far edge meets the screen's, rounded to the nearest
// twip. A screen too large for the bar's 16-bit range is cut to it rather than wrapping round;
// one smaller than the window leaves no room to move.
int16_t scrollMaximum(float screen, float window)
{
    const double room = std::round(static_cast<double>(screen) - static_cast<double>(window));
    if (!(room > 0))
        return 0;
    return static_cast<int16_t>(std::min(room, static_cast<double>(INT16_MAX)));
}

} // namespace

ClockWindow::ClockWindow()
    : Window("frmZeit", {"Zeit von DCF77", 5115, 2520, kClockBackground, {"Arial", 8.25, false}})
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

void connectClockWindow(Program &program, ClockWindow &window)
{
    window.onClick = [&program] {
        frmZeit_Form_Click(program);
    };
    // Closing the clock window from its frame brings the main window back, as a click does.
    window.onCloseRequest = [&program] {
        frmZeit_Form_Click(program);
    };
    window.hsc1.onChange = [&program] {
        hsc1_Change(program);
    };
    window.vsc1.onChange = [&program] {
        vsc1_Change(program);
    };
}

void cmdHide_Click(Program &program)
{
    program.processEvents();
    program.frmDCF77.hide();

    ClockWindow &window = program.frmZeit();
    window.setTop(0);
    window.setLeft(0);
    window.show();
    window.vsc1.setMaximum(scrollMaximum(program.platform.desktop.screenHeight(), window.height()));
    window.hsc1.setMaximum(scrollMaximum(program.platform.desktop.screenWidth(), window.width()));

    // A counter of its own: this can run nested inside the reception, which keeps its pulse
    // index in the shared one.
    for (int index = 0; index < window.lblB.size(); ++index)
        window.lblB(index).setVisible(true);

    window.refresh();
}

void frmZeit_Form_Click(Program &program)
{
    program.processEvents();
    program.frmDCF77.show();
    program.frmZeit().hide();
}

void hsc1_Change(Program &program)
{
    ClockWindow &window = program.frmZeit();
    window.setLeft(static_cast<float>(window.hsc1.value()));
}

void vsc1_Change(Program &program)
{
    ClockWindow &window = program.frmZeit();
    window.setTop(static_cast<float>(window.vsc1.value()));
}

} // namespace dcf
