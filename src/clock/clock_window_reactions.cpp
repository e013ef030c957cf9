#include "clock/clock_window_reactions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace dcf {

namespace {

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

void cmdHide_Click(const ClockContext &context)
{
    context.events.processPendingEvents();
    context.frmDCF77.hide();

    ClockWindow &window = context.frmZeit();
    window.setTop(0);
    window.setLeft(0);
    window.show();
    window.vsc1.setMaximum(scrollMaximum(context.desktop.screenHeight(), window.height()));
    window.hsc1.setMaximum(scrollMaximum(context.desktop.screenWidth(), window.width()));

    // A counter of its own: this can run nested inside the reception, which keeps its pulse
    // index in the shared one.
    for (int index = 0; index < window.lblB.size(); ++index)
        window.lblB(index).setVisible(true);

    window.refresh();
}

void frmZeit_Form_Click(const ClockContext &context)
{
    context.events.processPendingEvents();
    context.frmDCF77.show();
    context.frmZeit().hide();
}

void hsc1_Change(const ClockContext &context)
{
    ClockWindow &window = context.frmZeit();
    window.setLeft(static_cast<float>(window.hsc1.value()));
}

void vsc1_Change(const ClockContext &context)
{
    ClockWindow &window = context.frmZeit();
    window.setTop(static_cast<float>(window.vsc1.value()));
}

} // namespace dcf
