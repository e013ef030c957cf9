#pragma once

// The clock window's reactions: Hide on the main window swaps to it at the top-left corner, a
// click on its background swaps back, and its two scroll bars move it across the screen. They
// run nested inside whatever long routine is active and leave the shared counter alone.

#include "clock/clock_context.h"

namespace dcf {

/// Hide on the main window.
void cmdHide_Click(const ClockContext &context);
/// A click on the clock window's background (and its frame's close button).
void frmZeit_Form_Click(const ClockContext &context);
void hsc1_Change(const ClockContext &context);
void vsc1_Change(const ClockContext &context);

} // namespace dcf
