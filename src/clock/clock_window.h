#pragma once

// The clock window frmZeit: the decoded date and the running time in large type. Created hidden
// on first use, never destroyed; Hide on the main window swaps to it, a click on its background
// swaps back, and its two scroll bars move it across the screen.

#include "ui/model/control_array.h"
#include "ui/model/controls.h"
#include "ui/model/window.h"

namespace dcf {

class Program;

class ClockWindow : public Window
{
public:
    ClockWindow();

    ControlArray<Label> lblB {"lblB"};
    ScrollBar vsc1;
    ScrollBar hsc1;
};

/// Connects the clock window's reactions (background click, scroll bars) to `program`.
void connectClockWindow(Program &program, ClockWindow &window);

/// Hide on the main window: swaps the main window for the clock window at the top-left corner.
void cmdHide_Click(Program &program);
/// A click on the clock window's background: swaps back to the main window.
void frmZeit_Form_Click(Program &program);
void hsc1_Change(Program &program);
void vsc1_Change(Program &program);

} // namespace dcf
