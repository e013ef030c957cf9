#pragma once

// Start-up and Exit of the main window.

#include "platform/desktop.h"
#include "state/global.h"
#include "ui/main_window.h"

namespace dcf {

/// Start-up: hides the date panel (leaving the shared counter one past its last member) and
/// centres the window through its position fields.
void Form_Load(Global &g, MainWindow &frmDCF77, const Desktop &desktop);

/// Exit: takes both windows off the screen and ends the program. `frmZeit` is null when the clock
/// window was never created. Routines that Exit interrupted unwind without drawing again.
void cmdExit_Click(MainWindow &frmDCF77, Window *frmZeit, Desktop &desktop);

} // namespace dcf
